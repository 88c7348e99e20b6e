#pragma once
// The accounts' text messages as the server keeps them: each message with the folder it came from,
// its sender and first recipient as the handset names them, its delivery time and its text, and a mark
// when the operator deleted it (the server keeps the message so that handsets still holding it learn
// of the deletion).
//
// Implementations are thread-safe per call; CSmsArchive serialises the read-modify-write of a backup.
// Failures of the storage come back as false or nothing and are logged.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct SmsRecord {
    std::int64_t id = 0;    // the server's number of the message; 0 before it is stored
    std::string folder;     // "inbox" or "sent"
    std::string sender;     // "from"
    std::string recipient;  // "to": the first recipient
    std::int64_t timeS = 0; // delivery time, seconds since 1970-01-01 UTC
    std::string text;
    bool deleted = false;
    std::int64_t createdMs = 0;
};

class CSmsStore {
public:
    virtual ~CSmsStore() = default;

    // Every message of the account, those marked deleted included, in the order they were stored.
    virtual std::vector<SmsRecord> SmsMessages(std::string_view userId) = 0;
    // Stores the messages (ids are given by the store), all or nothing.
    virtual bool AddSmsMessages(std::string_view userId, std::span<const SmsRecord> messages) = 0;
    // Marks one message deleted: true when done, false when the account has no such live message,
    // nothing when the store failed.
    virtual std::optional<bool> MarkSmsDeleted(std::string_view userId, std::int64_t id) = 0;
};
