#include "push/PushMessages.h"

#include "protocol/Credentials.h"
#include "utils/AsciiFold.h"

#include <array>

namespace {

struct CommandWord {
    PushCommand command;
    std::string_view word;
};

constexpr std::array kWords = {
    CommandWord{PushCommand::Sync, "Sync"},
    CommandWord{PushCommand::Backup, "Backup"},
    CommandWord{PushCommand::Restore, "Restore"},
    CommandWord{PushCommand::Download, "Download"},
    CommandWord{PushCommand::Wipeout, "Wipeout"},
    CommandWord{PushCommand::Key, "Key"},
    CommandWord{PushCommand::RetrieveSettings, "RetrieveSettings"},
    CommandWord{PushCommand::IdentifyDevice, "IdentifyDevice"},
    CommandWord{PushCommand::ChangeMsisdn, "ChangeMsisdn"},
};

constexpr std::array<std::string_view, 5> kKinds = {"Contacts", "Calendar", "Files", "Messages", "Settings"};

std::string Signed(PushCommand command, std::string text, std::string_view deviceKey)
{
    text += ' ';
    text += KeyedDigest(PushCommandWord(command), deviceKey);
    return text;
}

std::string WordOrDash(std::string_view word)
{
    return word.empty() ? std::string("-") : std::string(word);
}

} // namespace

std::optional<PushCommand> ParsePushCommand(std::string_view word)
{
    for (const CommandWord& entry : kWords) {
        if (EqualsFolded(entry.word, word))
            return entry.command;
    }
    return std::nullopt;
}

std::string_view PushCommandWord(PushCommand command)
{
    for (const CommandWord& entry : kWords) {
        if (entry.command == command)
            return entry.word;
    }
    return {};
}

bool IsKindsWord(std::string_view kinds)
{
    if (kinds.empty())
        return true;
    while (!kinds.empty()) {
        const std::size_t end = kinds.find(';');
        const std::string_view kind = kinds.substr(0, end);
        kinds = end == std::string_view::npos ? std::string_view() : kinds.substr(end + 1);
        bool known = kind.empty(); // "Contacts;" and "Contacts;Files;" are fine
        for (const std::string_view name : kKinds)
            known = known || kind == name;
        if (!known)
            return false;
    }
    return true;
}

std::string CommandPush(PushCommand command, std::string_view parameter, std::string_view kinds,
                        std::string_view deviceKey)
{
    std::string text(PushCommandWord(command));
    text += ' ' + WordOrDash(parameter) + ' ' + WordOrDash(kinds);
    return Signed(command, std::move(text), deviceKey);
}

std::string KeyPush(const DeviceRecord& device)
{
    return "Key " + device.deviceId + ' ' + WordOrDash(device.userId) + ' ' + device.deviceKey;
}

std::string IdentifyDevicePush(const DeviceRecord& device, const AccountRecord& account)
{
    std::string text = "IdentifyDevice UK:" + account.userKey + ";K:" + device.deviceKey +
                       ";DID:" + device.deviceId + ";UID:" + account.userId + ";";
    return Signed(PushCommand::IdentifyDevice, std::move(text), device.deviceKey);
}

std::string ChangeMsisdnPush(const DeviceRecord& device)
{
    return Signed(PushCommand::ChangeMsisdn, "ChangeMsisdn " + device.userId, device.deviceKey);
}

std::string BuildPush(PushCommand command, const DeviceRecord& device, const AccountRecord& account,
                      std::string_view parameter, std::string_view kinds)
{
    switch (command) {
    case PushCommand::Key:
        return KeyPush(device);
    case PushCommand::IdentifyDevice:
        return IdentifyDevicePush(device, account);
    case PushCommand::ChangeMsisdn:
        return ChangeMsisdnPush(device);
    default:
        return CommandPush(command, parameter, kinds, device.deviceKey);
    }
}
