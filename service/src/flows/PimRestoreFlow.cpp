// The restore half of the PIM engine: the server's items applied chunk by chunk, then the map.

#include "PimFlow.h"

#include "ServiceLog.h"
#include "pim/PimBatch.h"
#include "platform/DevicePaths.h"
#include "platform/XmlDom.h"
#include "service/ServerTransport.h"
#include "service/TesselService.h"
#include "service/XmlDocuments.h"

#include "utils/Files.h"

#include <algorithm>
#include <charconv>

namespace {

// What the handset asks for per restore chunk ("QX-MaxChunkSize").
constexpr std::int32_t kRestoreMaxChunk = 102400;
// A map file of the build before larger than this is not one it wrote (about 200 bytes an item).
constexpr std::uintmax_t kMaxEarlierMapFileBytes = 64u << 20;

std::u16string Decimal(std::uint64_t value)
{
    return Utf8ToUtf16(std::to_string(value));
}

} // namespace

RETURNED_RES CPimFlow::Restore()
{
    const RETURNED_RES result = RunRestore();
    // Once, whatever the end: the registry is written once per flow, not once per chunk.
    if (!m_records.empty())
        WriteRestoreCounters();
    return result;
}

RETURNED_RES CPimFlow::RunRestore()
{
    // A "Sync" goes on from the answer to its last upload, which the backup kept.
    std::u16string answer = std::move(m_state.answer);
    m_state = FlowState{};
    m_state.mode = m_mode;
    Progress(m_kind.texts.restore, 10);
    if (Stopped())
        return RES_OK;
    const bool fullRestore = m_mode == u"Restore";
    if (fullRestore) {
        RETURNED_RES sent = SendUnsentMap();
        if (sent == RES_OK)
            sent = SendFullList();
        if (sent != RES_OK || Stopped())
            return sent;
    }
    Progress(m_kind.texts.restore, 50);

    const std::optional<std::uint32_t> total = SizeHeader(u"QX-TotalSize: ");
    if (!total && m_kind.sizeHeadersRequired) {
        LogLine(u"restore: the answer has no QX-TotalSize");
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    m_state.total = total.value_or(0);
    m_records.reserve(std::min(m_state.total, kMaxReservedRecords));
    bool bodyRead = !fullRestore;
    for (;;) {
        if (Stopped())
            return RES_OK;
        const std::optional<std::uint32_t> nextOffset = SizeHeader(u"QX-ChunkOffset: ");
        if (!nextOffset && m_kind.sizeHeadersRequired) {
            LogLine(u"restore: the answer has no QX-ChunkOffset");
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        m_state.offset = nextOffset.value_or(0);
        if (!bodyRead && !m_transport.ReadBody(answer)) {
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        bodyRead = false;
        const std::size_t before = m_records.size();
        if (!ApplyChunk(answer)) {
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        if (m_records.size() >= m_state.total)
            break;
        if (m_records.size() == before) {
            // The server would be asked for the same chunk forever.
            LogLine(u"restore: a chunk brought no item; " + Decimal(m_records.size()) + u" of " +
                    Decimal(m_state.total) + u" arrived");
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        if (Stopped())
            return RES_OK;
        const RETURNED_RES fetched = RequestChunk(m_state.offset);
        if (fetched != RES_OK)
            return fetched;
        Progress(m_kind.texts.restore,
                 static_cast<std::int32_t>(50 + 50ull * m_records.size() / std::max(m_state.total, 1u)));
    }

    if (Stopped())
        return RES_OK;
    const RETURNED_RES mapped = SendMap();
    if (mapped != RES_OK)
        return mapped;
    if (m_mode == u"Sync" && m_kind.wholeListChecksum) {
        // Nothing applied: the list the backup loaded is still what the store holds, and reading
        // 10,000 contacts again would double the time of a Sync with nothing to do.
        if (!m_records.empty() && LoadItems() != RES_OK) {
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        m_settings.Set(m_kind.wholeListChecksum,
                       static_cast<std::int32_t>((m_manager.*m_kind.calls.checksum)()));
        m_settings.SaveSettings();
    }
    Progress(m_kind.texts.restore, 100);
    return RES_OK;
}

RETURNED_RES CPimFlow::SendFullList()
{
    PrepareRequest(u"Restore");
    m_transport.AddNumberHeader(u"QX-MaxChunkSize: ", kRestoreMaxChunk);
    const std::optional<ChecksumList> list = BuildChecksumList(true);
    if (!list) {
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    const RETURNED_RES result = m_service.ExecuteRequest(u"POST", list->body);
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(&m_service);
    return result;
}

std::optional<std::uint32_t> CPimFlow::SizeHeader(std::u16string_view name) const
{
    std::u16string value;
    if (!m_transport.QueryHeader(name, value))
        return std::nullopt;
    const std::string digits = Utf16ToUtf8(value);
    std::uint32_t number = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (status == std::errc::result_out_of_range && end == digits.data() + digits.size())
        return UINT32_MAX;
    if (status != std::errc() || end != digits.data() + digits.size()) {
        LogLine(u"answer: " + std::u16string(name) + u"\"" + value + u"\" is not a number; left out");
        return std::nullopt;
    }
    return number;
}

bool CPimFlow::ApplyChunk(std::u16string_view answer)
{
    const RestoreChunk chunk = ParseRestoreChunk(answer, m_kind.itemElement);
    if (!chunk.loaded)
        LogLine(u"restore: the chunk is not a document; nothing applied");
    if (chunk.cut)
        LogLine(u"restore: an item without guid or status ended the chunk");
    // The chunk's changes reach the store together: a crash keeps all of them or none, and until the
    // map has reached the server it sends them again.
    CPimBatch batch(m_manager);
    const Counts before = m_counts;
    const std::size_t records = m_records.size();
    for (const RestoreItem& item : chunk.items)
        ApplyItem(item);
    const std::vector<RestoreRecord> entries(m_records.begin() + static_cast<std::ptrdiff_t>(records), m_records.end());
    if (!entries.empty() && Failed(m_manager.AppendUnsentMap(m_kind.listName, entries)))
        LogLine(u"restore: the map of the chunk could not be kept in the PIM store; it is lost if the map fails");
    if (Failed(batch.Commit())) {
        LogLine(u"restore: the PIM store did not keep the chunk; nothing of it applied");
        m_counts = before;
        m_records.resize(records);
        return false;
    }
    return true;
}

void CPimFlow::ApplyItem(const RestoreItem& item)
{
    ItemInfo info;
    if (item.luid)
        info.luid = *item.luid;
    info.data = item.text + u"\r\n";
    if (m_kind.checksumBeforeUpdate)
        info.CalculateCRC();
    const bool deleted = item.status == u"deleted";
    const HRESULT status =
        deleted ? (m_manager.*m_kind.calls.remove)(info) : (m_manager.*m_kind.calls.update)(info);
    if (Failed(status))
        ++m_counts.failed;
    else if (deleted)
        ++m_counts.deleted;
    else if (item.status == u"added")
        ++m_counts.added;
    else
        ++m_counts.updated;
    m_records.push_back(RestoreRecord{std::move(info.luid), item.guid, std::move(info.crc), item.status});
}

void CPimFlow::WriteRestoreCounters() const
{
    const std::pair<std::u16string_view, std::uint32_t> counters[] = {
        {m_kind.counters.added, m_counts.added},
        {m_kind.counters.updated, m_counts.updated},
        {m_kind.counters.deleted, m_counts.deleted},
        {m_kind.counters.failed, m_counts.failed},
    };
    for (auto [name, value] : counters)
        m_service.SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
}

std::u16string CPimFlow::BuildMapDocument(const std::vector<RestoreRecord>& records) const
{
    CXmlDocument document;
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return {};
    CXmlNode list = root.AppendElement(m_kind.listElement);
    for (const RestoreRecord& record : records) {
        list.AppendElement(m_kind.itemElement)
            .SetAttribute(u"listname", m_kind.listName)
            .SetAttribute(u"luid", record.luid)
            .SetAttribute(u"guid", record.guid)
            .SetAttribute(u"crc", record.crc)
            .SetAttribute(u"status", record.status);
    }
    return document.Serialize();
}

RETURNED_RES CPimFlow::SendMap()
{
    const RETURNED_RES result = PostMap(m_records);
    if (result != RES_OK)
        LogLine(u"restore: the map of " + Decimal(m_records.size()) +
                u" applied items did not reach the server; the next flow sends it first");
    return result;
}

RETURNED_RES CPimFlow::SendUnsentMap()
{
    std::vector<RestoreRecord> entries;
    if (Failed(m_manager.LoadUnsentMap(m_kind.listName, entries)))
        LogLine(u"PIM store: the map a flow before did not deliver cannot be read");
    const std::optional<std::filesystem::path> file = TakeMapFileOfEarlierBuild(entries);
    const RETURNED_RES result = entries.empty() ? RES_OK : PostMap(entries);
    std::error_code error;
    if (file && result == RES_OK && !std::filesystem::remove(*file, error))
        LogLine(u"restore: the delivered map file of the build before stays; the next flow sends it again");
    return result;
}

// The build before kept an undelivered map as a file, the whole Map document, instead of in the store.
std::optional<std::filesystem::path>
CPimFlow::TakeMapFileOfEarlierBuild(std::vector<RestoreRecord>& entries) const
{
    const std::filesystem::path path =
        CDevicePaths::ProgramFolder() / "unsent-maps" / (Utf16ToUtf8(m_kind.listName) + ".xml");
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    CXmlDocument document;
    const bool loaded = !error && size <= kMaxEarlierMapFileBytes &&
                        document.Load(ReadUTF8File(Utf8ToUtf16(path.string())), XmlLineEnds::Keep);
    const CXmlNode list =
        loaded ? document.DocumentElement().FirstChildElement(m_kind.listElement) : CXmlNode{};
    bool isMap = static_cast<bool>(list);
    std::vector<RestoreRecord> found;
    for (const CXmlNode& item : list.SelectNodes(m_kind.itemElement)) {
        std::optional<std::u16string> guid = item.Attribute(u"guid");
        std::optional<std::u16string> status = item.Attribute(u"status");
        isMap = isMap && guid && status;
        if (!isMap)
            break;
        found.push_back({item.Attribute(u"luid").value_or(u""), std::move(*guid),
                         item.Attribute(u"crc").value_or(u""), std::move(*status)});
    }
    if (!isMap) {
        // Set aside rather than deleted, so it is not read again yet can still be looked at.
        std::filesystem::path aside = path;
        aside += ".unreadable";
        std::filesystem::rename(path, aside, error);
        LogLine(u"restore: " + Utf8ToUtf16(path.filename().string()) +
                u" of the build before is not a map; set aside as " + Utf8ToUtf16(aside.filename().string()));
        return std::nullopt;
    }
    entries.insert(entries.end(), found.begin(), found.end());
    return path;
}

RETURNED_RES CPimFlow::PostMap(const std::vector<RestoreRecord>& records)
{
    const std::u16string map = BuildMapDocument(records);
    if (map.empty()) {
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    PrepareRequest(u"Map");
    const RETURNED_RES result = m_service.ExecuteRequest(u"POST", map);
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(&m_service);
        return result;
    }
    // A failure here sends the map again with the next flow; the server takes a map it has seen again.
    if (!records.empty() && Failed(m_manager.ClearUnsentMap(m_kind.listName)))
        LogLine(u"PIM store: the delivered map could not be forgotten; the next flow sends it again");
    return RES_OK;
}

RETURNED_RES CPimFlow::RequestChunk(std::uint32_t offset)
{
    if (m_chunksFetched >= kMaxChunkRequests) {
        LogLine(u"restore: the server sent more than " + Decimal(kMaxChunkRequests) + u" chunks; given up");
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    ++m_chunksFetched;
    PrepareRequest(u"GetChunk");
    m_transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(offset));
    m_transport.AddNumberHeader(u"QX-MaxChunkSize: ", kRestoreMaxChunk);
    const RETURNED_RES result = m_service.ExecuteRequest(u"GET");
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(&m_service);
    return result;
}
