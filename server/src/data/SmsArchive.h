#pragma once
// The SMS side of the account server: backups merged into the account's messages, and the list a
// handset must agree with.
//
// A message is the same message when folder, sender, recipient, time and text are equal. A backup adds
// only what the account lacks: the same message sent again by the next backup, or by another handset of
// the account, is kept once, while a backup holding one message twice (two texts sent in one second)
// keeps both. A message the operator marked deleted still counts, so a handset that has not deleted
// it yet cannot bring it back.
//
// Thread-safe: backups of one server are merged one at a time.

#include "store/SmsStore.h"

#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The largest list the server answers with; the oldest messages are left out of a longer one (a
// handset reads an answer whole into memory).
inline constexpr std::size_t kMaxMessageListBytes = 32 * 1024 * 1024;

struct MessageListing {
    std::vector<SmsRecord> messages;
    std::size_t leftOut = 0;
};

class CSmsArchive {
public:
    explicit CSmsArchive(CSmsStore& store);

    // How many messages the backup added; nothing when the store failed (nothing added).
    std::optional<std::size_t> TakeBackup(const std::string& userId, std::span<const SmsRecord> messages);
    // Every message of the account, within kMaxMessageListBytes.
    MessageListing Listing(const std::string& userId);

    std::vector<SmsRecord> Messages(const std::string& userId);
    // The operator's message, as stored; nothing when the store failed.
    std::optional<SmsRecord> Add(const std::string& userId, SmsRecord message);
    std::optional<bool> MarkDeleted(const std::string& userId, std::int64_t id);

private:
    CSmsStore& m_store;
    std::mutex m_mutex;
};
