#include "SmsRestoreWriter.h"

#include "ServiceLog.h"
#include "SmsFolders.h"
#include "utils/AsciiFold.h"

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

constexpr FileTime kUnitsPerSecond = 10'000'000;
// Additions are committed this many at a time: one commit each would cost far more than the writes.
constexpr std::uint32_t kAddsPerBatch = 1000;

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

MessageKey KeyOf(const SmsRecord& record)
{
    return {record.time / kUnitsPerSecond, record.to, record.from};
}

// The list entries not matched yet: for each key, its entries in document order as a chain.
class CPendingEntries {
public:
    explicit CPendingEntries(const std::vector<SmsRecord>& records) : m_next(records.size(), kNone)
    {
        m_first.reserve(records.size());
        for (std::size_t i = records.size(); i-- > 0;) {
            const auto [first, added] = m_first.try_emplace(KeyOf(records[i]), i);
            if (!added) {
                m_next[i] = first->second;
                first->second = i;
            }
        }
    }

    // The first entry with that key not taken yet, now taken; nothing when none is left.
    std::optional<std::size_t> Take(const MessageKey& key)
    {
        const auto found = m_first.find(key);
        if (found == m_first.end() || found->second == kNone)
            return std::nullopt;
        const std::size_t index = found->second;
        found->second = m_next[index];
        return index;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::unordered_map<MessageKey, std::size_t, MessageKeyHash> m_first;
    std::vector<std::size_t> m_next;
};

// Matches every handset message to the first pending entry with its key, in one reading of the
// store; the matched messages whose entry says "deleted" are returned for deletion. False when the
// store cannot be read.
bool MatchHandsetMessages(MAPIMsgStore* store, const std::vector<SmsRecord>& records, CPendingEntries& pending,
                          std::vector<bool>& matched, std::vector<SyncedSmsFolder>& folders,
                          std::vector<std::pair<SmsFolder*, EntryId>>& deletions)
{
    const CReading reading(store);
    std::optional<std::vector<SyncedSmsFolder>> opened = OpenSyncedSmsFolders(store);
    if (!opened)
        return false;
    folders = std::move(*opened);
    std::vector<MsgStoreEntry> messages;
    for (SyncedSmsFolder& synced : folders) {
        if (!synced.folder->ListMessages(messages)) {
            LogLine("sms store: " + store->LastError());
            return false;
        }
        for (MsgStoreEntry& entry : messages) {
            const std::unique_ptr<MAPIMessage> message = synced.folder->OpenMessage(entry.entryId);
            if (!message)
                continue;
            const std::vector<MsgRecipient>& recipients = message->Recipients();
            const std::u16string_view to = recipients.empty()
                                               ? std::u16string_view()
                                               : std::u16string_view(recipients.front().displayName);
            const std::optional<std::size_t> index =
                pending.Take({message->DeliveryTime() / kUnitsPerSecond, to, message->SenderName()});
            if (!index)
                continue;
            matched[*index] = true;
            if (records[*index].status == u"deleted")
                deletions.emplace_back(synced.folder.get(), std::move(entry.entryId));
        }
    }
    return true;
}

// The additions of a restore in batches of the store. A batch that cannot be committed counts its
// messages as failed; a crash loses at most the open batch, which the next restore adds again.
class CAdditions {
public:
    CAdditions(MAPIMsgStore* store, SmsRestoreCounts& counts) : m_store(store), m_counts(counts) {}
    ~CAdditions() { Commit(); }

    void Add(SmsFolder& folder, const SmsRecord& record)
    {
        if (!m_open)
            m_open = m_store->BeginBatch(); // without a batch each message is saved on its own
        const std::unique_ptr<MAPIMessage> message = folder.CreateSmsMessage();
        if (!folder.WriteSms(*message, record.text, record.from, record.to, record.time)) {
            LogLine("sms store: " + m_store->LastError());
            ++m_counts.failed;
            return;
        }
        ++m_counts.added;
        if (m_open && ++m_pending == kAddsPerBatch)
            Commit();
    }

    void Commit()
    {
        if (m_open && !m_store->CommitBatch()) {
            LogLine("sms store: " + m_store->LastError());
            m_counts.added -= m_pending;
            m_counts.failed += m_pending;
        }
        m_open = false;
        m_pending = 0;
    }

private:
    MAPIMsgStore* m_store;
    SmsRestoreCounts& m_counts;
    bool m_open = false;
    std::uint32_t m_pending = 0;
};

} // namespace

int ApplySmsList(MAPIMsgStore* store, const std::vector<SmsRecord>& records, SmsRestoreCounts& counts)
{
    CPendingEntries pending(records);
    std::vector<bool> matched(records.size(), false);
    std::vector<SyncedSmsFolder> folders;
    std::vector<std::pair<SmsFolder*, EntryId>> deletions;
    if (!MatchHandsetMessages(store, records, pending, matched, folders, deletions))
        return -1;
    for (const auto& [folder, entry] : deletions) {
        if (folder->DeleteMessage(entry)) {
            ++counts.deleted;
        } else {
            LogLine("sms store: " + store->LastError());
            ++counts.failed;
        }
    }

    std::unique_ptr<SmsFolder> inbox;
    std::unique_ptr<SmsFolder> sent;
    CAdditions additions(store, counts);
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
        additions.Add(*folder, record);
    }
    additions.Commit();
    return 0;
}
