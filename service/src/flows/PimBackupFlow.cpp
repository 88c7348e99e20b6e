// The backup half of the PIM engine: the checksum list, the luids the server asks for, and the
// upload chunks.

#include "PimFlow.h"

#include "ServiceLog.h"
#include "platform/UiPort.h"
#include "platform/XmlDom.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/ServerTransport.h"
#include "service/TesselService.h"
#include "service/UI_Sync.h"
#include "service/XmlDocuments.h"

namespace {

// The chunk bound the server starts with ("QX-MaxChunkSize"); it is echoed to the server, but the
// chunks are cut by the fixed bound below.
constexpr std::uint32_t kInitialMaxChunk = 102400;
// An upload chunk is cut once its estimate (512, then per item the characters of its text and 128)
// reaches this many characters; the item that crosses it still goes.
constexpr std::size_t kUploadChunkBound = 102400;
constexpr std::size_t kChunkEstimateStart = 512;
constexpr std::size_t kItemEstimateOverhead = 128;

} // namespace

RETURNED_RES CPimFlow::Backup()
{
    m_state = FlowState{};
    m_state.mode = m_mode;
    Progress(m_kind.texts.backupFirst, 10);
    if (Stopped())
        return RES_OK;
    const bool sync = m_mode == u"Sync";
    const std::optional<ChecksumList> list = BuildChecksumList(!sync);
    if (!list) {
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    if (m_kind.wholeListChecksum && list->count == 0) {
        if (!sync)
            return RES_OK;
        if (const std::optional<RETURNED_RES> answered = AskAboutEmptyPhone())
            return *answered;
    }
    if (Stopped())
        return RES_OK;

    if (const RETURNED_RES late = SendUnsentMap(); late != RES_OK)
        return late;
    PrepareRequest(u"Crc");
    Progress(m_kind.texts.backup, 40);
    const RETURNED_RES sentList = m_service.ExecuteRequest(u"POST", list->body);
    if (sentList != RES_OK) {
        SERVICE_LOG_FAILURE(&m_service);
        return sentList;
    }
    if (Stopped())
        return RES_OK;
    std::u16string answer;
    if (!m_transport.ReadBody(answer)) {
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    Progress(m_kind.texts.backup, 50);
    CRequestedIds requested(ParseRequestedIds(answer, m_kind.itemElement));
    const auto total = static_cast<std::uint32_t>(requested.Remaining());
    (m_manager.*m_kind.calls.reset)();

    const RETURNED_RES uploaded = Upload(requested, total);
    if (uploaded != RES_OK || Stopped())
        return uploaded;
    if (!m_kind.counters.uploaded.empty()) {
        std::uint32_t value = total;
        m_service.SummarySet(m_kind.counters.uploaded, REG_TYPE_DWORD, &value, nullptr);
    }
    return RES_OK;
}

std::optional<CPimFlow::ChecksumList> CPimFlow::BuildChecksumList(bool full)
{
    CXmlDocument document;
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return std::nullopt;
    if (LoadItems() != RES_OK)
        return std::nullopt;
    ChecksumList list;
    if (!full && m_kind.wholeListChecksum &&
        (m_manager.*m_kind.calls.checksum)() ==
            static_cast<std::uint32_t>(m_settings.Get(m_kind.wholeListChecksum))) {
        // Nothing changed since the last completed sync; the count only lets the flow go on.
        list.count = 1;
        list.body = document.Serialize();
        return list;
    }
    CXmlNode element = root.AppendElement(m_kind.listElement);
    while (const ItemInfo* item = (m_manager.*m_kind.calls.next)()) {
        element.AppendElement(m_kind.itemElement)
            .SetAttribute(u"listname", m_kind.listName)
            .SetAttribute(u"luid", item->luid)
            .SetAttribute(u"crc", item->crc);
        ++list.count;
    }
    list.body = document.Serialize();
    return list;
}

std::optional<RETURNED_RES> CPimFlow::AskAboutEmptyPhone()
{
    if (m_settings.Get(m_kind.wholeListChecksum) == 0)
        return std::nullopt;
    switch (CUiPort::Get().MessageBox(m_window, BrandingText(kTextNoContactsQuestion),
                                      BrandingText(kTextNoContactsCaption), MB_YESNOCANCEL)) {
    case IDYES:
        return RES_USER_CONFIRMED;
    case IDCANCEL:
        m_bridge.SetStop(true);
        return RES_OK;
    default:
        return std::nullopt;
    }
}

std::u16string CPimFlow::BuildUploadChunk(CRequestedIds& requested, std::uint32_t offset, std::uint32_t& sent,
                                          bool& atEnd)
{
    sent = 0;
    atEnd = false;
    CXmlDocument document;
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return {};
    CXmlNode list = root.AppendElement(m_kind.listElement);
    std::size_t estimate = kChunkEstimateStart;
    // Puts the cursor on `offset`; the walk below starts with that item (none when out of range).
    (m_manager.*m_kind.calls.at)(static_cast<std::int32_t>(std::min<std::uint32_t>(offset, INT32_MAX)));
    while (estimate < kUploadChunkBound && !requested.Empty()) {
        ItemInfo* item = (m_manager.*m_kind.calls.next)();
        if (!item) {
            atEnd = true;
            break;
        }
        if (!requested.Take(item->luid))
            continue;
        if (Failed(m_manager.FillItemText(*item))) {
            LogLine(u"upload: item " + item->luid + u" cannot be read from the PIM store; left out");
            continue;
        }
        list.AppendElement(m_kind.itemElement)
            .SetAttribute(u"crc", item->crc)
            .SetAttribute(u"listname", m_kind.listName)
            .SetAttribute(u"luid", item->luid)
            .SetAttribute(u"status", u"added")
            .AppendElement(m_kind.textElement)
            .SetCData(item->data);
        ++sent;
        estimate += item->data.size() + kItemEstimateOverhead;
    }
    return document.Serialize();
}

RETURNED_RES CPimFlow::Upload(CRequestedIds& requested, std::uint32_t total)
{
    m_state.total = total;
    m_state.offset = 0;
    m_state.maxChunk = kInitialMaxChunk;
    do {
        if (Stopped())
            return RES_OK;
        std::uint32_t sent = 0;
        bool atEnd = false;
        const std::u16string body = BuildUploadChunk(requested, m_state.offset, sent, atEnd);
        if (body.empty()) {
            SERVICE_LOG_FAILURE(&m_service);
            return RES_ERROR;
        }
        PrepareRequest(m_mode);
        m_transport.AddNumberHeader(u"QX-TotalSize: ", static_cast<std::int32_t>(total));
        m_transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(m_state.offset));
        m_transport.AddNumberHeader(u"QX-ChunkSize: ", static_cast<std::int32_t>(sent));
        m_transport.AddNumberHeader(u"QX-MaxChunkSize: ", static_cast<std::int32_t>(m_state.maxChunk));
        if (total > 0)
            Progress(m_kind.texts.backup,
                     static_cast<std::int32_t>(50ull * (std::uint64_t{m_state.offset} + sent) / total));
        const RETURNED_RES result = m_service.ExecuteRequest(u"POST", body);
        if (result != RES_OK) {
            SERVICE_LOG_FAILURE(&m_service);
            return result;
        }
        m_state.offset += sent;
        if (const std::optional<std::uint32_t> maxChunk = SizeHeader(u"QX-MaxChunkSize: "))
            m_state.maxChunk = *maxChunk;
        if (const std::optional<std::uint32_t> offset = SizeHeader(u"QX-ChunkOffset: "))
            m_state.offset = *offset;
        Progress(m_kind.texts.backup, 100);
        // A luid the handset does not have would be asked for forever.
        if (sent == 0 && atEnd && !requested.Empty()) {
            LogLine(u"upload: " + Utf8ToUtf16(std::to_string(requested.Remaining())) +
                    u" of the items the server asked for are not on the handset");
            break;
        }
    } while (!requested.Empty());
    if (m_mode == u"Sync" && !m_transport.ReadBody(m_state.answer)) {
        // The answer to the last upload of a Sync is the first restore chunk.
        SERVICE_LOG_FAILURE(&m_service);
        return RES_ERROR;
    }
    return RES_OK;
}
