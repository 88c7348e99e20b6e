#include "protocol/OperatorRules.h"

#include <algorithm>

OperatorRule COperatorRules::Add(OperatorRule rule)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    rule.id = m_nextId++;
    if (rule.kind == RuleKind::Dialog && rule.dialog.code == 0)
        rule.dialog.code = m_nextDialogCode++;
    m_rules.push_back(rule);
    return rule;
}

std::optional<OperatorRule> COperatorRules::Take(std::string_view command, std::string_view deviceId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto match = std::find_if(m_rules.begin(), m_rules.end(), [&](const OperatorRule& rule) {
        return (rule.command == "*" || rule.command == command) &&
               (rule.deviceId.empty() || rule.deviceId == deviceId);
    });
    if (match == m_rules.end())
        return std::nullopt;
    if (match->skip > 0) {
        --match->skip;
        return std::nullopt;
    }
    OperatorRule taken = *match;
    if (--match->remaining <= 0)
        m_rules.erase(match);
    return taken;
}

std::vector<OperatorRule> COperatorRules::List() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_rules;
}

std::size_t COperatorRules::Clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::size_t count = m_rules.size();
    m_rules.clear();
    return count;
}
