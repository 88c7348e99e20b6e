#pragma once
// What the operator asked the server to do to coming requests: show a dialog before a command, answer a
// command with an error or an HTTP status instead of running it, close the connection without an
// answer (before the command runs, or after it ran), so a test can cut a handset off at any request, or
// run the command and change its answer (headers set or removed, the body replaced), so a test can give
// a handset the answers of a broken or hostile server.
//
// Kept in memory only (they steer a running demo or test). Thread-safe.

#include "protocol/ProtocolMessage.h"
#include "protocol/ServerDialog.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RuleKind { Dialog, Error, Status, Drop, Rewrite };

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
    HeaderList setHeaders;                       // Rewrite: each replaces that header; empty value removes it
    std::optional<std::string> body;             // Rewrite: the answer's body instead of the command's
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
