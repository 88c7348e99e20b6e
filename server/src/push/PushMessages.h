#pragma once
// The texts of push datagrams, as the handset's push handler splits them: words separated by blanks,
// at most 1039 bytes. Commands are signed with Base64 of MD5 over the command word and the device key.

#include "store/AccountStore.h"

#include <optional>
#include <string>
#include <string_view>

enum class PushCommand {
    Sync,
    Backup,
    Restore,
    Download,
    Wipeout,
    Key,
    RetrieveSettings,
    IdentifyDevice,
    ChangeMsisdn
};

// The command of a word, either case; nothing for an unknown word.
std::optional<PushCommand> ParsePushCommand(std::string_view word);
std::string_view PushCommandWord(PushCommand command);

// True for a data-kinds word: names from Contacts, Calendar, Files, Messages, Settings joined by ";".
bool IsKindsWord(std::string_view kinds);

// "<command> <parameter> <kinds> <signature>": Sync, Backup, Restore, Download, Wipeout, RetrieveSettings.
// An empty parameter or kinds word is sent as "-", so the signature stays the fourth word.
std::string CommandPush(PushCommand command, std::string_view parameter, std::string_view kinds,
                        std::string_view deviceKey);
// "Key <device id> <user id> <device key>": the key itself is the last word.
std::string KeyPush(const DeviceRecord& device);
// "IdentifyDevice UK:<user key>;K:<device key>;DID:<device id>;UID:<user id>; <signature>".
std::string IdentifyDevicePush(const DeviceRecord& device, const AccountRecord& account);
// "ChangeMsisdn <user id> <signature>".
std::string ChangeMsisdnPush(const DeviceRecord& device);

// The push `command` for a registered device of `account`, with `parameter` and `kinds` for command
// pushes.
std::string BuildPush(PushCommand command, const DeviceRecord& device, const AccountRecord& account,
                      std::string_view parameter, std::string_view kinds);
