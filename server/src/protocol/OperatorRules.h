#pragma once
// What the operator asked the server to do to coming requests: show a dialog before a command, answer a
// command with an error or an HTTP status instead of running it, or close the connection without an
// answer (before the command runs, or after it ran), so a test can cut a handset off at any request.
//
// Kept in memory only (they steer a running demo or test). Thread-safe.

#include "protocol/ServerDialog.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RuleKind { Dialog, Error, Status, Drop };

enum class DropMoment { BeforeRunning, AfterRunning };

struct OperatorRule {
    int id = 0;
    RuleKind kind = RuleKind::Error;
    std::string command;  // "*": any command
    std::string deviceId; // empty: any device
    int remaining = 1;
    int skip = 0;                                // matching requests let through before the rule applies
    DialogLayout dialog;                         // Dialog
    std::string errorCode;                       // Error
    std::string errorMessage;                    // Error
    int status = 0;                              // Status
    DropMoment drop = DropMoment::BeforeRunning; // Drop
};

class COperatorRules {
public:
    // Queues the rule behind the others; returns it with its id (and, for a dialog without a code, the
    // code it got).
    OperatorRule Add(OperatorRule rule);
    // The first rule for this command and device, counted as used once (and dropped when used up); nothing
    // while that rule still lets requests through.
    std::optional<OperatorRule> Take(std::string_view command, std::string_view deviceId);
    std::vector<OperatorRule> List() const;
    // Drops every rule; how many there were.
    std::size_t Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<OperatorRule> m_rules;
    int m_nextId = 1;
    std::int32_t m_nextDialogCode = 1;
};
