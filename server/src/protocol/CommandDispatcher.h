#pragma once
// Runs one protocol request: finds the device, applies what the operator queued for the command (a
// dialog, an error, a status), checks what the command needs (a registered device, the account's
// credentials, a session) and calls the command's handler.
//
// Handlers register by command name with what they need, so later data commands add themselves the
// same way. Dispatch may be called from any request thread at once.

#include "protocol/ProtocolMessage.h"
#include "protocol/ServerState.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

struct CommandContext {
    ServerState& server;
    const ProtocolRequest& request;
    DeviceRecord device; // the sender; unregistered (and maybe not stored yet) for a newcomer
    std::optional<AccountRecord> account; // with Needs::Account and more
    std::optional<SessionRecord> session; // with Needs::Session and more
};

enum class Needs {
    Device,            // only a device id
    Account,           // a registered device whose request carries the account's credentials
    Session,           // and a live session of this device
    NegotiatedSession, // and the session has passed CompleteNegotiation
};

using CommandHandler = ProtocolResponse (*)(CommandContext& context);

// Takes what the request tells about its device (address, agents, IMSI, time) into the context's device
// and the store. Called once the request's credentials are checked: by the dispatcher for commands that
// need an account, by a handler that checks credentials itself. False when the store failed.
bool RecordContact(CommandContext& context);

class CCommandDispatcher {
public:
    explicit CCommandDispatcher(ServerState& server);

    void Register(std::string command, Needs needs, CommandHandler handler);
    ProtocolResponse Dispatch(const ProtocolRequest& request);

private:
    struct Entry {
        Needs needs;
        CommandHandler handler;
    };

    ProtocolResponse Run(const std::string& command, CommandContext& context);
    ProtocolResponse ShowDialog(const std::string& command, const DialogLayout& dialog,
                                CommandContext& context);
    ProtocolResponse DroppedAnswer(const OperatorRule& rule, const std::string& command,
                                   CommandContext& context);
    std::optional<ProtocolResponse> Check(Needs needs, CommandContext& context);
    std::optional<ProtocolResponse> CheckCredentials(CommandContext& context);
    std::optional<ProtocolResponse> CheckSession(Needs needs, CommandContext& context);

    ServerState& m_server;
    std::map<std::string, Entry, std::less<>> m_commands;
};

// The name of the command that carries dialog answers.
inline constexpr std::string_view kDialogAnswerCommand = "GDOperation";
