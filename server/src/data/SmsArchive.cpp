#include "data/SmsArchive.h"

#include "data/SmsDocuments.h"

#include <unordered_map>

namespace {

// The fields that make two messages the same, joined by a byte no XML text holds.
std::string SameMessageKey(const SmsRecord& message)
{
    std::string key = message.folder;
    for (const std::string* field : {&message.sender, &message.recipient, &message.text}) {
        key += '\0';
        key += *field;
    }
    key += '\0';
    key += std::to_string(message.timeS);
    return key;
}

} // namespace

CSmsArchive::CSmsArchive(CSmsStore& store) : m_store(store) {}

std::optional<std::size_t> CSmsArchive::TakeBackup(const std::string& userId,
                                                   std::span<const SmsRecord> messages)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::unordered_map<std::string, std::size_t> held;
    for (const SmsRecord& message : m_store.SmsMessages(userId))
        ++held[SameMessageKey(message)];
    std::vector<SmsRecord> added;
    for (const SmsRecord& message : messages) {
        std::size_t& copies = held[SameMessageKey(message)];
        if (copies > 0) {
            --copies;
            continue;
        }
        added.push_back(message);
    }
    if (!added.empty() && !m_store.AddSmsMessages(userId, added))
        return std::nullopt;
    return added.size();
}

MessageListing CSmsArchive::Listing(const std::string& userId)
{
    MessageListing listing;
    listing.messages = Messages(userId);
    std::size_t bytes = 0;
    std::size_t first = listing.messages.size();
    while (first > 0 && bytes + MessageBytes(listing.messages[first - 1]) <= kMaxMessageListBytes)
        bytes += MessageBytes(listing.messages[--first]);
    listing.leftOut = first;
    listing.messages.erase(listing.messages.begin(),
                           listing.messages.begin() + static_cast<std::ptrdiff_t>(first));
    return listing;
}

std::vector<SmsRecord> CSmsArchive::Messages(const std::string& userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_store.SmsMessages(userId);
}

std::optional<SmsRecord> CSmsArchive::Add(const std::string& userId, SmsRecord message)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_store.AddSmsMessages(userId, std::span(&message, 1)))
        return std::nullopt;
    const std::vector<SmsRecord> stored = m_store.SmsMessages(userId);
    if (stored.empty())
        return std::nullopt;
    return stored.back();
}

std::optional<bool> CSmsArchive::MarkDeleted(const std::string& userId, std::int64_t id)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_store.MarkSmsDeleted(userId, id);
}
