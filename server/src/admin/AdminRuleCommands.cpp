// Operator commands that steer coming requests (dialogs, injected answers), and the request log.

#include "admin/AdminRequest.h"

#include "protocol/Credentials.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>

#include <limits>

namespace {

constexpr std::size_t kMaxDialogText = 4096;
constexpr std::int64_t kMaxCount = 1000;
constexpr std::int64_t kMaxSkip = 1000000;

const char* RuleKindName(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Dialog:
        return "dialog";
    case RuleKind::Status:
        return "status";
    case RuleKind::Drop:
        return "drop";
    case RuleKind::Rewrite:
        return "rewrite";
    case RuleKind::Error:
        break;
    }
    return "error";
}

AdminRecord RuleFields(const OperatorRule& rule)
{
    AdminRecord record;
    record.Add("rule", std::to_string(rule.id))
        .Add("kind", RuleKindName(rule.kind))
        .Add("command", rule.command)
        .Add("device", rule.deviceId)
        .Add("remaining", std::to_string(rule.remaining))
        .Add("skip", std::to_string(rule.skip));
    if (rule.kind == RuleKind::Dialog)
        record.Add("code", std::to_string(rule.dialog.code));
    if (rule.kind == RuleKind::Error)
        record.Add("error-code", rule.errorCode).Add("error-message", rule.errorMessage);
    if (rule.kind == RuleKind::Status)
        record.Add("status", std::to_string(rule.status));
    if (rule.kind == RuleKind::Drop)
        record.Add("drop", rule.drop == DropMoment::AfterRunning ? "after" : "before");
    for (const auto& [name, value] : rule.setHeaders)
        record.Add("set-header", name + ": " + value);
    if (rule.body)
        record.Add("body-bytes", std::to_string(rule.body->size()));
    return record;
}

// The command, device and count every rule has; the reason in `problem` when one is wrong.
OperatorRule RuleTarget(const AdminRequest& request, RuleKind kind, std::string& problem)
{
    OperatorRule rule;
    rule.kind = kind;
    rule.command = request.GetOr("command");
    rule.deviceId = request.GetOr("device");
    if (rule.command != "*" && !IsProtocolToken(rule.command))
        problem = "command is not \"*\" or a command name";
    if (request.Get("device") && !IsProtocolToken(rule.deviceId))
        problem = "device is not 1-64 letters, digits or . _ @ + - = /";
    if (const std::optional<std::int64_t> count = request.Number("count", 1, kMaxCount, problem))
        rule.remaining = static_cast<int>(*count);
    if (const std::optional<std::int64_t> skip = request.Number("skip", 0, kMaxSkip, problem))
        rule.skip = static_cast<int>(*skip);
    return rule;
}

// Dialog texts go into XML: any UTF-8 up to 4 KiB.
std::string Text(const AdminRequest& request, std::string_view name, std::string& problem)
{
    std::string value = request.GetOr(name);
    if (value.size() > kMaxDialogText || !IsValidUtf8(value))
        problem = std::string(name) + " is not UTF-8 text of at most 4096 bytes";
    return value;
}

std::optional<DialogButton> Button(const AdminRequest& request, std::string_view prefix, std::string& problem)
{
    const std::string label = std::string(prefix) + "-label";
    const std::string action = std::string(prefix) + "-action";
    const std::string opcode = std::string(prefix) + "-opcode";
    const std::string url = std::string(prefix) + "-url";
    const std::string sendResult = std::string(prefix) + "-send-result";
    if (!request.Get(label) && !request.Get(action) && !request.Get(opcode) && !request.Get(url) &&
        !request.Get(sendResult))
        return std::nullopt;
    DialogButton button;
    button.label = Text(request, label, problem);
    button.opcode = Text(request, opcode, problem);
    button.url = Text(request, url, problem);
    button.sendResult = request.Flag(sendResult, problem).value_or(false);
    const std::string word = request.GetOr(action);
    const std::optional<DialogAction> kind = ParseDialogAction(word);
    if (!kind)
        problem = action + " \"" + word.substr(0, 32) + "\" is not a dialog action";
    button.action = kind.value_or(DialogAction::None);
    return button;
}

// "Name: value" (an empty value removes the header). The HTTP library frames the answer itself, so its
// framing headers are not the operator's to set.
std::optional<std::pair<std::string, std::string>> SetHeader(const std::string& field, std::string& problem)
{
    constexpr std::size_t kMaxValueBytes = 4096;
    const std::size_t colon = field.find(':');
    const std::string name = field.substr(0, colon);
    std::string value = colon == std::string::npos ? std::string() : field.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    const bool nameOk =
        !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '_';
        });
    const bool valueOk =
        value.size() <= kMaxValueBytes && std::none_of(value.begin(), value.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
    if (colon == std::string::npos || !nameOk || !valueOk) {
        problem = "set-header \"" + field.substr(0, 64) +
                  "\" is not NAME: VALUE (a token, then up to 4096 "
                  "bytes without control characters)";
        return std::nullopt;
    }
    for (const char* framing : {"Content-Length", "Transfer-Encoding", "Connection", "Content-Type"}) {
        if (EqualsFolded(name, framing)) {
            problem = "set-header cannot set " + name + ": the server frames its answers itself";
            return std::nullopt;
        }
    }
    return std::pair{name, value};
}

} // namespace

AdminResult QueueDialog(const AdminRequest& request, ServerState& server)
{
    std::string problem;
    OperatorRule rule = RuleTarget(request, RuleKind::Dialog, problem);
    DialogLayout& dialog = rule.dialog;
    if (const std::optional<std::int64_t> code =
            request.Number("code", 1, std::numeric_limits<std::int32_t>::max(), problem))
        dialog.code = static_cast<std::int32_t>(*code);
    dialog.title = Text(request, "title", problem);
    dialog.message = Text(request, "message", problem);
    dialog.yes = Button(request, "yes", problem);
    dialog.no = Button(request, "no", problem);
    dialog.hasInput = request.Get("input-name") || request.Get("input-type") ||
                      request.Get("input-default") || request.Get("expect-input");
    dialog.inputName = Text(request, "input-name", problem);
    dialog.inputType = Text(request, "input-type", problem);
    dialog.inputDefault = Text(request, "input-default", problem);
    if (request.Get("expect-input"))
        dialog.expectedInput = Text(request, "expect-input", problem);
    dialog.refusalMessage = Text(request, "refusal-message", problem);
    dialog.hasStopBox = request.Get("stop-label") || request.Get("stop-default");
    dialog.stopLabel = Text(request, "stop-label", problem);
    dialog.stopDefault = request.Flag("stop-default", problem).value_or(false);
    if (!problem.empty())
        return AdminResult::Refused(problem);
    AdminResult result;
    result.records.push_back(RuleFields(server.rules.Add(rule)));
    return result;
}

AdminResult Inject(const AdminRequest& request, ServerState& server)
{
    std::string problem;
    const bool isError = request.Get("error-code").has_value();
    const std::optional<std::string> drop = request.Get("drop");
    const bool isRewrite = request.Get("set-header") || request.Get("body");
    OperatorRule rule = RuleTarget(request,
                                   isError     ? RuleKind::Error
                                   : drop      ? RuleKind::Drop
                                   : isRewrite ? RuleKind::Rewrite
                                               : RuleKind::Status,
                                   problem);
    if (int(isError) + int(request.Get("status").has_value()) + int(drop.has_value()) + int(isRewrite) != 1)
        problem = "give one of error-code, status, drop and set-header or body";
    for (const std::string& field : request.GetAll("set-header")) {
        if (std::optional<std::pair<std::string, std::string>> header = SetHeader(field, problem))
            rule.setHeaders.push_back(std::move(*header));
    }
    rule.body = request.Get("body");
    if (drop && *drop != "before" && *drop != "after")
        problem = "drop is \"" + drop->substr(0, 32) + "\", not before or after";
    rule.drop = drop == "after" ? DropMoment::AfterRunning : DropMoment::BeforeRunning;
    if (request.Get("error-message") && !isError)
        problem = "error-message goes with error-code";
    rule.errorCode = request.GetOr("error-code");
    if (isError && (rule.errorCode.empty() || !IsProtocolToken(rule.errorCode)))
        problem = "error-code is not 1-64 letters, digits or . _ @ + - = /";
    rule.errorMessage = Text(request, "error-message", problem);
    // An answer of status 1xx is no final answer: the handset would wait on for one.
    if (const std::optional<std::int64_t> status = request.Number("status", 200, 599, problem))
        rule.status = static_cast<int>(*status);
    if (!problem.empty())
        return AdminResult::Refused(problem);
    AdminResult result;
    result.records.push_back(RuleFields(server.rules.Add(rule)));
    return result;
}

AdminResult ListRules(const AdminRequest&, ServerState& server)
{
    AdminResult result;
    for (const OperatorRule& rule : server.rules.List())
        result.records.push_back(RuleFields(rule));
    return result;
}

AdminResult ClearRules(const AdminRequest&, ServerState& server)
{
    AdminResult result;
    result.records.push_back(AdminRecord().Add("cleared", std::to_string(server.rules.Clear())));
    return result;
}

AdminResult ShowLog(const AdminRequest& request, ServerState& server)
{
    std::string problem;
    const std::int64_t since =
        request.Number("since", 0, std::numeric_limits<std::int64_t>::max(), problem).value_or(0);
    if (!problem.empty())
        return AdminResult::Refused(problem);
    AdminResult result;
    for (const LoggedRequest& entry : server.requestLog.Since(since)) {
        AdminRecord record;
        record.Add("sequence", std::to_string(entry.sequence))
            .Add("time", std::to_string(entry.timeMs))
            .Add("remote", entry.remoteAddress)
            .Add("remote-port", std::to_string(entry.remotePort))
            .Add("method", entry.method)
            .Add("path", entry.path)
            .Add("body-size", std::to_string(entry.bodySize))
            .Add("status", std::to_string(entry.status))
            .Add("error-code", entry.errorCode);
        for (const auto& [name, value] : entry.headers)
            record.Add("header", name + ": " + value);
        result.records.push_back(std::move(record));
    }
    return result;
}
