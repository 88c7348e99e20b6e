#include "SmsRestoreWriter.h"

#include "ServiceLog.h"
#include "SmsFolders.h"
#include "utils/AsciiFold.h"

#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace {

constexpr FileTime kUnitsPerSecond = 10'000'000;

// What identifies a message. Times count in whole seconds: the list carries no fractions, and a
// handset message received at 10:00:00.4 is the one the list names as 10:00:00.
struct MessageKey {
    FileTime second;
    std::u16string_view to;
    std::u16string_view from;

    bool operator==(const MessageKey&) const = default;
};

struct MessageKeyHash {
    std::size_t operator()(const MessageKey& key) const
    {
        const std::hash<std::u16string_view> text;
        std::size_t hash = std::hash<FileTime>()(key.second);
        hash = hash * 31 + text(key.to);
        return hash * 31 + text(key.from);
    }
};

// The list entries not yet matched, by key, each key's in document order.
using PendingEntries = std::unordered_map<MessageKey, std::deque<std::size_t>, MessageKeyHash>;

MessageKey KeyOf(const SmsRecord& record)
{
    return {record.time / kUnitsPerSecond, record.to, record.from};
}

// Matches every handset message to the first pending entry with its key; deletes those whose entry
// says so. False when the store cannot be read.
bool MatchHandsetMessages(MAPIMsgStore* store, const std::vector<SmsRecord>& records, PendingEntries& pending,
                          std::vector<bool>& matched, SmsRestoreCounts& counts)
{
    std::optional<std::vector<SyncedSmsFolder>> folders = OpenSyncedSmsFolders(store);
    if (!folders)
        return false;
    std::vector<MsgStoreEntry> messages;
    for (SyncedSmsFolder& synced : *folders) {
        if (!synced.folder->ListMessages(messages)) {
            LogLine("sms store: " + store->LastError());
            return false;
        }
        for (const MsgStoreEntry& entry : messages) {
            const std::unique_ptr<MAPIMessage> message = synced.folder->OpenMessage(entry.entryId);
            if (!message)
                continue;
            const std::vector<MsgRecipient>& recipients = message->Recipients();
            const std::u16string_view to = recipients.empty()
                                               ? std::u16string_view()
                                               : std::u16string_view(recipients.front().displayName);
            const auto found =
                pending.find({message->DeliveryTime() / kUnitsPerSecond, to, message->SenderName()});
            if (found == pending.end() || found->second.empty())
                continue;
            const std::size_t index = found->second.front();
            found->second.pop_front();
            matched[index] = true;
            if (records[index].status != u"deleted")
                continue;
            if (synced.folder->DeleteMessage(entry.entryId)) {
                ++counts.deleted;
            } else {
                LogLine("sms store: " + store->LastError());
                ++counts.failed;
            }
        }
    }
    return true;
}

} // namespace

int ApplySmsList(MAPIMsgStore* store, const std::vector<SmsRecord>& records, SmsRestoreCounts& counts)
{
    PendingEntries pending;
    for (std::size_t i = 0; i < records.size(); ++i)
        pending[KeyOf(records[i])].push_back(i);
    std::vector<bool> matched(records.size(), false);
    if (!MatchHandsetMessages(store, records, pending, matched, counts))
        return -1;

    std::unique_ptr<SmsFolder> inbox;
    std::unique_ptr<SmsFolder> sent;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const SmsRecord& record = records[i];
        if (matched[i] || record.status == u"deleted")
            continue;
        const bool toSent = EqualsFolded(record.folder, u"sent");
        if (!toSent && !EqualsFolded(record.folder, u"inbox"))
            continue;
        std::unique_ptr<SmsFolder>& folder = toSent ? sent : inbox;
        if (!folder && store)
            folder = store->OpenSpecialFolder(toSent ? MsgSpecialFolder::SentItems : MsgSpecialFolder::Inbox);
        if (!folder) {
            LogLine(toSent ? "sms store: the sent items folder cannot be opened"
                           : "sms store: the inbox cannot be opened");
            return -1;
        }
        const std::unique_ptr<MAPIMessage> message = folder->CreateSmsMessage();
        if (folder->WriteSms(*message, record.text, record.from, record.to, record.time)) {
            ++counts.added;
        } else {
            LogLine("sms store: " + store->LastError());
            ++counts.failed;
        }
    }
    return 0;
}
