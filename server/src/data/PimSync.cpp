// Checksum lists, uploads, deletions by devices, and the operator's changes (the restore side is in
// PimRestore.cpp).

#include "data/PimSync.h"

#include "ServerTime.h"
#include "data/PimVocabulary.h"
#include "utils/Crc32.h"
#include "utils/Utf.h"

#include <algorithm>

namespace {

// Devices whose session state is remembered at once; a device past this starts its session afresh.
constexpr std::size_t kMaxSessionStates = 256;
constexpr std::int64_t kDayMs = 24LL * 60 * 60 * 1000;

template <typename Record>
std::unordered_map<std::string, Record> ByKey(std::vector<Record> records, std::string Record::*key)
{
    std::unordered_map<std::string, Record> index;
    index.reserve(records.size());
    for (Record& record : records)
        index.emplace(record.*key, std::move(record));
    return index;
}

} // namespace

std::uint32_t ItemChecksum(std::string_view text)
{
    std::uint32_t crc = 0;
    Crc32Win32String(Utf8ToUtf16(text), crc);
    return crc;
}

CPimSync::CPimSync(CPimItemStore& store) : m_store(store) {}

CPimSync::SessionState& CPimSync::StateOf(const PimScope& scope)
{
    const std::string key = scope.deviceId + '\n' + PimKindWord(scope.kind);
    auto found =
        std::find_if(m_states.begin(), m_states.end(), [&](const auto& state) { return state.first == key; });
    if (found == m_states.end()) {
        if (m_states.size() == kMaxSessionStates)
            m_states.pop_back();
        m_states.emplace_front(key, SessionState{});
    } else {
        m_states.splice(m_states.begin(), m_states, found);
    }
    SessionState& state = m_states.front().second;
    if (state.sessionId != scope.sessionId || state.userId != scope.userId) {
        state = SessionState{};
        state.sessionId = scope.sessionId;
        state.userId = scope.userId;
    }
    return state;
}

std::optional<std::vector<std::string>> CPimSync::RequestedLuids(const PimScope& scope,
                                                                 const ChecksumListing& listing,
                                                                 const std::optional<CalendarWindow>& window)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    SessionState& state = StateOf(scope);
    state.unlisted.clear();
    std::vector<std::string> requested;
    // No list: the handset's items are as they were after its last completed sync.
    if (!listing.listed)
        return requested;

    std::unordered_map<std::string, PimMapEntry> map =
        ByKey(m_store.PimMap(scope.userId, scope.deviceId, scope.kind), &PimMapEntry::luid);
    PimChanges changes;
    for (const ChecksumEntry& listed : listing.entries) {
        const auto found = map.find(listed.luid);
        if (found == map.end()) {
            requested.push_back(listed.luid);
            continue;
        }
        PimMapEntry& entry = found->second;
        if (entry.crc != listed.crc)
            requested.push_back(listed.luid);
        if (!entry.confirmed) {
            entry.confirmed = true;
            changes.entries.push_back(entry);
        }
        map.erase(found);
    }

    // What is left in `map` the handset no longer lists.
    std::vector<std::string> unlistedGuids;
    for (const auto& [luid, entry] : map)
        unlistedGuids.push_back(entry.guid);
    std::unordered_map<std::string, PimItem> calendarItems;
    if (scope.kind != PimKind::Contact && window)
        calendarItems = ByKey(m_store.FindPimItems(scope.userId, scope.kind, unlistedGuids), &PimItem::guid);
    const std::int64_t today = NowMs() / kDayMs;
    for (const auto& [luid, entry] : map) {
        if (scope.kind != PimKind::Contact) {
            const auto item = calendarItems.find(entry.guid);
            if (item == calendarItems.end() || !SurelyInWindow(item->second.text, *window, today))
                continue;
        }
        // A restored item the device never listed did not arrive (or failed to apply): sent again.
        if (entry.confirmed)
            state.unlisted.insert(luid);
        else
            changes.droppedLuids.push_back(luid);
    }
    if ((!changes.entries.empty() || !changes.droppedLuids.empty()) &&
        !m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes))
        return std::nullopt;
    return requested;
}

bool CPimSync::TakeUploads(const PimScope& scope, std::span<const UploadedItem> items)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    SessionState& state = StateOf(scope);
    std::vector<std::string> luids;
    for (const UploadedItem& item : items)
        luids.push_back(item.luid);
    std::unordered_map<std::string, PimMapEntry> entries =
        ByKey(m_store.PimMapByLuid(scope.userId, scope.deviceId, scope.kind, luids), &PimMapEntry::luid);
    std::vector<std::string> guids;
    for (const auto& [luid, entry] : entries)
        guids.push_back(entry.guid);
    std::unordered_map<std::string, PimItem> known =
        ByKey(m_store.FindPimItems(scope.userId, scope.kind, guids), &PimItem::guid);
    const std::optional<std::int64_t> startVersion = m_store.PimVersion(scope.userId);
    if (!startVersion)
        return false;

    std::int64_t version = *startVersion;
    const std::int64_t now = NowMs();
    PimChanges changes;
    std::unordered_set<std::string> adopted;
    for (const UploadedItem& uploaded : items) {
        const std::uint32_t crc = ItemChecksum(uploaded.text);
        PimItem* item = nullptr;
        if (const auto entry = entries.find(uploaded.luid); entry != entries.end()) {
            if (const auto found = known.find(entry->second.guid); found != known.end())
                item = &found->second;
        }
        if (!item) {
            // Not placed by luid: the same text among the items this device holds no copy of.
            for (PimItem& candidate : m_store.PimItemsWithCrc(scope.userId, scope.kind, crc)) {
                if (candidate.text != uploaded.text || adopted.count(candidate.guid) != 0)
                    continue;
                const std::vector<PimMapEntry> held = m_store.PimMapByGuid(
                    scope.userId, scope.deviceId, scope.kind, std::span(&candidate.guid, 1));
                if (!held.empty() && state.unlisted.count(held.front().luid) == 0)
                    continue;
                if (!held.empty())
                    state.unlisted.erase(held.front().luid);
                adopted.insert(candidate.guid);
                item = &known.insert_or_assign(candidate.guid, std::move(candidate)).first->second;
                break;
            }
        }
        if (!item) {
            PimItem created;
            created.guid = NewGuid(scope.kind, version + 1);
            item = &known.emplace(created.guid, std::move(created)).first->second;
        }
        if (item->version == 0 || item->deleted || item->text != uploaded.text) {
            item->text = uploaded.text;
            item->crc = crc;
            item->deleted = false;
            item->version = ++version;
            item->changedBy = scope.deviceId;
            item->changedMs = now;
            changes.items.push_back(*item);
        }
        PimMapEntry entry{uploaded.luid, item->guid, uploaded.crc, item->version, true};
        entries.insert_or_assign(uploaded.luid, entry);
        changes.entries.push_back(std::move(entry));
        state.unlisted.erase(uploaded.luid);
    }
    if (version != *startVersion)
        changes.version = version;
    return changes.entries.empty() ||
           m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes);
}

bool CPimSync::ApplyDeviceDeletions(const PimScope& scope)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    SessionState& state = StateOf(scope);
    if (state.unlisted.empty())
        return true;
    const std::vector<std::string> luids(state.unlisted.begin(), state.unlisted.end());
    const std::vector<PimMapEntry> entries =
        m_store.PimMapByLuid(scope.userId, scope.deviceId, scope.kind, luids);
    std::vector<std::string> guids;
    for (const PimMapEntry& entry : entries)
        guids.push_back(entry.guid);
    std::unordered_map<std::string, PimItem> items =
        ByKey(m_store.FindPimItems(scope.userId, scope.kind, guids), &PimItem::guid);
    const std::optional<std::int64_t> startVersion = m_store.PimVersion(scope.userId);
    if (!startVersion)
        return false;

    std::int64_t version = *startVersion;
    PimChanges changes;
    for (const PimMapEntry& entry : entries) {
        const auto found = items.find(entry.guid);
        // Changed elsewhere since the device's copy: the change stands and reaches the device again.
        if (found != items.end() && !found->second.deleted && entry.version >= found->second.version) {
            PimItem& item = found->second;
            item.deleted = true;
            item.version = ++version;
            item.changedBy = scope.deviceId;
            item.changedMs = NowMs();
            changes.items.push_back(item);
        }
        changes.droppedLuids.push_back(entry.luid);
    }
    if (version != *startVersion)
        changes.version = version;
    if (!m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes))
        return false;
    state.unlisted.clear();
    return true;
}

std::vector<PimItem> CPimSync::Items(const std::string& userId, PimKind kind, WithText text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_store.PimItems(userId, kind, text);
}

std::optional<PimItem> CPimSync::ItemLocked(const std::string& userId, const std::string& guid)
{
    const std::optional<PimKind> kind = KindOfGuid(guid);
    if (!kind)
        return std::nullopt;
    std::vector<PimItem> found = m_store.FindPimItems(userId, *kind, std::span(&guid, 1));
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

std::optional<PimItem> CPimSync::Item(const std::string& userId, const std::string& guid)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return ItemLocked(userId, guid);
}

bool CPimSync::WriteOperatorItem(const std::string& userId, PimItem item, std::int64_t version)
{
    item.version = version;
    item.changedBy.clear();
    item.changedMs = NowMs();
    PimChanges changes;
    changes.version = version;
    const std::optional<PimKind> kind = KindOfGuid(item.guid);
    changes.items.push_back(std::move(item));
    return kind && m_store.ApplyPimChanges(userId, {}, *kind, changes);
}

std::optional<PimItem> CPimSync::AddItem(const std::string& userId, PimKind kind, const std::string& text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::optional<std::int64_t> version = m_store.PimVersion(userId);
    if (!version)
        return std::nullopt;
    PimItem item;
    item.guid = NewGuid(kind, *version + 1);
    item.text = text;
    item.crc = ItemChecksum(text);
    if (!WriteOperatorItem(userId, item, *version + 1))
        return std::nullopt;
    return ItemLocked(userId, item.guid);
}

bool CPimSync::ChangeOperatorItem(const std::string& userId, const std::string& guid,
                                  const std::optional<std::string>& text, std::string& refusal)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::optional<PimItem> item = ItemLocked(userId, guid);
    const std::optional<std::int64_t> version = m_store.PimVersion(userId);
    if (!item || item->deleted) {
        refusal = "there is no item \"" + guid.substr(0, 64) + "\"";
        return false;
    }
    if (!version)
        return false;
    item->deleted = !text;
    if (text) {
        item->text = *text;
        item->crc = ItemChecksum(*text);
    }
    return WriteOperatorItem(userId, std::move(*item), *version + 1);
}
