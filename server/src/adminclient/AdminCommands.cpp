#include "refserver/AdminCommands.h"

#include <array>

namespace {

using enum FieldUse;

// The fields that the commands on an account's records share: the account, which records a list shows,
// and the record a command changes.
constexpr AdminField kAccount{"user-id", Required, "the account"};
constexpr AdminField kWithDeleted{"deleted", Optional, "true: those marked deleted too"};
constexpr AdminField kRecordId{"id", Required, "the record's number, as its list command shows it"};

// The fields that say whom a queued dialog or an injected answer is for, and how often.
constexpr AdminField kRuleDevice{"device", Optional, "only for this device"};
constexpr AdminField kRuleCount{"count", Optional, "how many times (default 1)"};

constexpr std::array kAddAccount = {
    AdminField{"user-id", Optional, "user id (letters, digits, . _ @ + -); a new number when absent"},
    AdminField{"password", Optional, "password the handset must send as QX-Password"},
    AdminField{"msisdn", Optional, "the account's phone number, for the operator's records"},
    AdminField{"device", Optional, "also register this device id (QX-DeviceID) to the account"},
    AdminField{"device-key", Optional, "that device's key; a new random key when absent"},
    AdminField{"key-delivery", Optional, "header or push: how IdentifyDevice hands that device its key"},
};

constexpr std::array kAccountOnly = {kAccount};

// list-messages and list-files.
constexpr std::array kListRecords = {kAccount, kWithDeleted};

// delete-message and delete-file.
constexpr std::array kDeleteRecord = {kAccount, kRecordId};

constexpr std::array kSetSettings = {
    kAccount,
    AdminField{"set", Repeatable, "NAME=VALUE: a setting sent to the handset by RetrieveSettings"},
    AdminField{"remove", Repeatable, "NAME: a setting no longer sent"},
};

constexpr std::array kListDevices = {
    AdminField{"device", Optional, "only this device"},
};

constexpr std::array kSetDevice = {
    AdminField{"device", Required, "the device id"},
    AdminField{"push-address", Optional,
               "where pushes go; empty: the address of the device's latest request"},
    AdminField{"push-port", Optional, "UDP port of pushes; 0: the server's --push-port"},
    AdminField{"key-delivery", Optional, "header or push: how IdentifyDevice hands over the device key"},
    AdminField{"expect-cir", Optional,
               "true: the next StartNegotiation asks for a push round trip (ChangeMsisdn)"},
};

constexpr std::array kPush = {
    AdminField{"device", Required, "the device id"},
    AdminField{
        "command", Required,
        "Sync, Backup, Restore, Download, Wipeout, RetrieveSettings, Key, IdentifyDevice or ChangeMsisdn"},
    AdminField{"parameter", Optional, "second word of a command push (no blanks); default \"-\""},
    AdminField{"kinds", Optional,
               "data kinds of a command push, e.g. Contacts;Calendar;Files;Messages;Settings"},
};

constexpr std::array kQueueDialog = {
    AdminField{"command", Required, "the QX-Command the dialog comes before (\"*\": any command)"},
    kRuleDevice,
    kRuleCount,
    AdminField{"code", Optional, "dialog code sent back in the answer; a new number when absent"},
    AdminField{"title", Optional, "title"},
    AdminField{"message", Optional, "message"},
    AdminField{"yes-label", Optional, "label of the yes button"},
    AdminField{"yes-action", Optional,
               "IdentifyDevice, Exit, ExitUrl, Continue, OperationContinue, OperationRepeate, BackgroundUrl, "
               "SendInput or InputIdentifyDevice"},
    AdminField{"yes-opcode", Optional, "opcode of the yes action"},
    AdminField{"yes-url", Optional, "URL of the yes action"},
    AdminField{"yes-send-result", Optional, "true or false"},
    AdminField{"no-label", Optional, "label of the no button"},
    AdminField{"no-action", Optional, "as yes-action"},
    AdminField{"no-opcode", Optional, "opcode of the no action"},
    AdminField{"no-url", Optional, "URL of the no action"},
    AdminField{"no-send-result", Optional, "true or false"},
    AdminField{"input-name", Optional, "name of an input field (the dialog then has one)"},
    AdminField{"input-type", Optional, "input type, e.g. numeric or password"},
    AdminField{"input-default", Optional, "default value of the input"},
    AdminField{"expect-input", Optional,
               "the value the user must enter; checked against the MD5 digest the handset sends"},
    AdminField{"refusal-message", Optional, "error shown on the next command when the input was wrong"},
    AdminField{"stop-label", Optional, "label of a stop check box (the dialog then has one)"},
    AdminField{"stop-default", Optional, "true: the stop box starts ticked"},
};

constexpr std::array kInject = {
    AdminField{"command", Required,
               "the QX-Command whose answer is replaced or changed (\"*\": any command)"},
    kRuleDevice,
    kRuleCount,
    AdminField{"error-code", Optional, "answer 200 with this QX-ErrorCode"},
    AdminField{"error-message", Optional, "text of the QX-ErrorMessage"},
    AdminField{"status", Optional, "answer with this HTTP status instead (200-599)"},
    AdminField{"drop", Optional,
               "before: close the connection instead of answering; after: run the command, then close it "
               "without an answer"},
    AdminField{"skip", Optional, "let this many matching requests through first (default 0)"},
    AdminField{"set-header", Repeatable,
               "NAME: VALUE: run the command, then answer with this header instead of its own (an empty "
               "VALUE leaves the header out)"},
    AdminField{"body", Optional, "run the command, then answer with this body instead of its own", true},
};

constexpr std::array kListItems = {
    kAccount,
    AdminField{"kind", Optional, "contact, event or todo; every kind when absent"},
    kWithDeleted,
};

constexpr std::array kShowItem = {
    kAccount,
    AdminField{"guid", Required, "the item: c<number> a contact, e<number> an appointment, t<number> a task"},
};

constexpr std::array kAddItems = {
    kAccount,
    AdminField{"file", Required, "a .vcf or .vcs file; each vCard, VEVENT and VTODO in it becomes an item",
               true},
};

constexpr std::array kChangeItem = {
    kAccount,
    AdminField{"guid", Required, "the item"},
    AdminField{"file", Required, "a .vcf or .vcs file holding the item's new text (one item of its kind)",
               true},
};

constexpr std::array kAddMessage = {
    kAccount,
    AdminField{"folder", Required, "inbox or sent"},
    AdminField{"from", Optional, "the sender, as the handset names it"},
    AdminField{"to", Optional, "the recipient"},
    AdminField{"time", Optional, "delivery time, YYYY-MM-DDTHH:MM:SSZ (UTC); now when absent"},
    AdminField{"text", Optional, "the message"},
};

constexpr std::array kAddFile = {
    kAccount,
    AdminField{"name", Required, "the file's name on handsets (no folder)"},
    AdminField{"file", Required, "the file's content (at most 8 MiB through this command)", true},
    AdminField{"thumbnail", Optional,
               "a small picture shown for it (at most 64 KiB); a small image is its own", true},
};

constexpr std::array kLog = {
    AdminField{"since", Optional, "only requests with a greater sequence number"},
};

constexpr std::array<AdminField, 0> kNoFields{};

constexpr std::array kCommands = {
    AdminCommand{"add-account", false, "create an account, optionally with a registered device", kAddAccount},
    AdminCommand{"list-accounts", true, "list the accounts", kNoFields},
    AdminCommand{"show-account", true, "an account with its settings and devices", kAccountOnly},
    AdminCommand{"delete-account", false,
                 "delete an account with its settings, items, messages and files (its devices stay, "
                 "registered to no account)",
                 kAccountOnly},
    AdminCommand{"set-settings", false, "change an account's settings (raises its configuration version)",
                 kSetSettings},
    AdminCommand{"list-devices", true, "devices with their keys, push target, session and last reports",
                 kListDevices},
    AdminCommand{"set-device", false, "change how the server reaches or treats a device", kSetDevice},
    AdminCommand{"push", false, "send a signed push datagram to a device now", kPush},
    AdminCommand{"queue-dialog", false, "show a server dialog before the device's next command X",
                 kQueueDialog},
    AdminCommand{"inject", false,
                 "answer command X with an error (QX-ErrorCode) or an HTTP status, or drop its connection",
                 kInject},
    AdminCommand{"list-rules", true, "queued dialogs and injected answers still waiting", kNoFields},
    AdminCommand{"clear-rules", false, "drop every queued dialog and injected answer", kNoFields},
    AdminCommand{"log", true, "the request log: method, path, headers, body size, status", kLog},
    AdminCommand{"list-items", true, "an account's contacts, appointments and tasks", kListItems},
    AdminCommand{"show-item", true, "one item with its text", kShowItem},
    AdminCommand{"add-items", false,
                 "add the items of a file to an account (handsets receive them at their next Sync)",
                 kAddItems},
    AdminCommand{"change-item", false, "replace an item's text", kChangeItem},
    AdminCommand{"delete-item", false, "delete an item (handsets delete their copies at their next Sync)",
                 kShowItem},
    AdminCommand{"list-messages", true, "an account's text messages", kListRecords},
    AdminCommand{"add-message", false,
                 "add a text message (handsets receive it at their next Sync or Restore)", kAddMessage},
    AdminCommand{"delete-message", false, "mark a text message deleted (handsets delete their copies)",
                 kDeleteRecord},
    AdminCommand{"list-files", true, "an account's media files", kListRecords},
    AdminCommand{"add-file", false, "add a media file to an account (handsets fetch it at their next Sync)",
                 kAddFile},
    AdminCommand{"delete-file", false,
                 "delete a media file (handsets delete their copies at their next Sync)", kDeleteRecord},
};

} // namespace

const AdminField* AdminCommand::FindField(std::string_view fieldName) const
{
    for (const AdminField& field : fields) {
        if (field.name == fieldName)
            return &field;
    }
    return nullptr;
}

std::span<const AdminCommand> AdminCommands()
{
    return kCommands;
}

const AdminCommand* FindAdminCommand(std::string_view name)
{
    for (const AdminCommand& command : kCommands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}
