#pragma once
// Push messages (CIR): the short signed text commands the server sends to the handset's push port,
// what the application gets from one (CIR_INFO), and how their text is taken apart.
//
// Text: ASCII words separated by one or more blanks, the command word first. Layouts:
//   "Sync", "Backup", "Restore", "Download", "Wipeout", "RetrieveSettings": command, parameter, kinds,
//     signature;
//   "Key": command, two words, device key;
//   "ChangeMsisdn": command, new user id, signature;
//   "IdentifyDevice": command, then text holding "UK:" user key, "K:" device key, "DID:" and "UID:"
//     user id, each value ended by ";".
// The signature is Base64 of MD5 over the command word followed by the UTF-8 device key.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Command codes, as the application dispatches them.
enum CIR_COMMAND : std::uint32_t {
    CIR_SYNC = 0,
    CIR_BACKUP = 1,
    CIR_RESTORE = 2,
    CIR_DOWNLOAD = 3,
    CIR_WIPEOUT = 4,
    CIR_KEY = 5,
    CIR_RETRIEVE_SETTINGS = 6, // also reported for a completed "IdentifyDevice"
    CIR_IDENTIFY_DEVICE = 7,
    CIR_CHANGE_MSISDN = 8,
    CIR_NONE = 9, // any other word: ignored
};

// Data kinds named in a command's third word.
enum CIR_KIND : std::uint32_t {
    CIR_KIND_CONTACTS = 1,
    CIR_KIND_CALENDAR = 2,
    CIR_KIND_FILES = 4,
    CIR_KIND_MESSAGES = 8,
    CIR_KIND_SETTINGS = 16,
};

// What a push asks of the application.
struct CIR_INFO {
    std::uint32_t command = CIR_NONE;
    std::u16string parameter; // the message's second word
    std::uint32_t kinds = 0;  // CIR_KIND bits
};

// The keys and user id an "IdentifyDevice" push delivers.
struct PushIdentity {
    std::u16string userKey;
    std::u16string deviceKey;
    std::u16string userId;
};

// A push message taken apart by its layout; nothing in it is verified yet.
struct PushMessage {
    std::uint32_t command = CIR_NONE;
    std::u16string commandWord;           // as received: the signature covers it so
    std::u16string parameter;             // second word; the new user id of "ChangeMsisdn"
    std::u16string kindsWord;             // third word
    std::u16string lastWord;              // the signature, or the device key of "Key"; empty when missing
    std::optional<PushIdentity> identity; // "IdentifyDevice" whose text holds all four markers
};

// Takes `text` apart. Nothing when it has no blank after the command word, or when a "ChangeMsisdn"
// has no blank after the new user id. Words past the layout's last are ignored.
std::optional<PushMessage> ParsePushMessage(std::u16string_view text);

// CIR_KIND bits of the names that `word` contains anywhere (case as written).
std::uint32_t PushKinds(std::u16string_view word);

// The signature the server puts on `commandWord` with this device key.
std::u16string PushSignature(std::u16string_view commandWord, std::u16string_view deviceKey);
