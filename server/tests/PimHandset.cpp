#include "PimHandset.h"

#include "data/PimSync.h"
#include "platform/XmlDom.h"
#include "utils/Utf.h"

#include <algorithm>

namespace {

// The handset's chunk bound: estimated characters, starting at 512, 128 more per item.
constexpr std::size_t kUploadBound = 102400;

std::string Envelope(const std::string& inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><QXSync xmlns:xsi=\"http://www.w3.org/2001/"
           "XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"QXSync.xsd\" version=\"1.0\" "
           "timestamp=\"1\">" +
           inner + "</QXSync>";
}

std::string Number(const HandsetAnswer& answer, const char* name)
{
    return answer.Header(name).value_or("");
}

} // namespace

std::string CPimHandset::Add(std::string text)
{
    items.emplace_back(std::to_string(m_nextLuid++), std::move(text));
    return items.back().first;
}

bool CPimHandset::Change(const std::string& luid, std::string text)
{
    for (auto& [itemLuid, itemText] : items) {
        if (itemLuid == luid) {
            itemText = std::move(text);
            return true;
        }
    }
    return false;
}

bool CPimHandset::Remove(const std::string& luid)
{
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const auto& item) { return item.first == luid; });
    if (found == items.end())
        return false;
    items.erase(found);
    return true;
}

std::vector<std::string> CPimHandset::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& item : items)
        texts.push_back(item.second);
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::string CPimHandset::ChecksumBody(bool listed) const
{
    if (!listed)
        return Envelope("");
    CXmlDocument document;
    CXmlNode list = document.CreateDocumentElement(u"QXSync").AppendElement(m_vocabulary.listElement);
    for (const auto& [luid, text] : items)
        list.AppendElement(m_vocabulary.itemElement)
            .SetAttribute(u"luid", Utf8ToUtf16(luid))
            .SetAttribute(u"crc", Utf8ToUtf16(std::to_string(ItemChecksum(text))));
    return document.SerializeUtf8();
}

std::string CPimHandset::UploadBody(const std::vector<std::pair<std::string, std::string>>& chunk) const
{
    CXmlDocument document;
    CXmlNode list = document.CreateDocumentElement(u"QXSync").AppendElement(m_vocabulary.listElement);
    for (const auto& [luid, text] : chunk) {
        CXmlNode item = list.AppendElement(m_vocabulary.itemElement);
        item.SetAttribute(u"crc", Utf8ToUtf16(std::to_string(ItemChecksum(text))))
            .SetAttribute(u"luid", Utf8ToUtf16(luid))
            .SetAttribute(u"status", u"added");
        item.AppendElement(m_vocabulary.textElement).SetCData(Utf8ToUtf16(text));
    }
    return document.SerializeUtf8();
}

HandsetAnswer CPimHandset::Send(const std::string& command, HeaderList headers, const std::string& body,
                                PimSyncReport& report)
{
    headers.insert(headers.begin(), {"QX-CommandType", std::string(m_vocabulary.commandType)});
    HandsetAnswer answer = m_http.Send(command, headers, body);
    if (answer.status != 200 || answer.HasError())
        report.failure = command + ": status " + std::to_string(answer.status) + " " + answer.ErrorCode() +
                         " " + answer.ErrorMessage() + answer.body;
    return answer;
}

PimSyncReport CPimHandset::Run(const std::string& mode, bool listed, std::size_t maxChunk)
{
    PimSyncReport report;
    if (!m_http.Negotiate(mode)) {
        report.failure = "negotiation";
        return report;
    }
    HandsetAnswer answer;
    if (mode == "Restore") {
        answer = Send("Restore", {{"QX-MaxChunkSize", std::to_string(maxChunk)}}, ChecksumBody(true), report);
    } else {
        const HandsetAnswer requested = Send("Crc", {}, ChecksumBody(listed), report);
        if (!report.failure.empty())
            return report;
        CXmlDocument document;
        document.LoadUtf8(requested.body);
        for (const CXmlNode& list : document.DocumentElement().ChildElements())
            for (const CXmlNode& item : list.SelectNodes(m_vocabulary.itemElement))
                report.requested.push_back(Utf16ToUtf8(item.Attribute(u"luid").value_or(u"")));
        if (!Upload(mode, report.requested, report, answer))
            return report;
    }
    if (!report.failure.empty() || mode == "Backup" || !Restore(std::move(answer), maxChunk, report))
        return report;
    report.ok = true;
    return report;
}

bool CPimHandset::Upload(const std::string& mode, std::vector<std::string> requested, PimSyncReport& report,
                         HandsetAnswer& last)
{
    const std::size_t total = requested.size();
    std::size_t offset = 0;
    do {
        std::vector<std::pair<std::string, std::string>> chunk;
        std::size_t estimate = 512;
        for (std::size_t at = offset; at < items.size() && estimate < kUploadBound && !requested.empty();
             ++at) {
            const auto wanted = std::find(requested.begin(), requested.end(), items[at].first);
            if (wanted == requested.end())
                continue;
            requested.erase(wanted);
            chunk.push_back(items[at]);
            estimate += Utf8ToUtf16(items[at].second).size() + 128;
        }
        last = Send(mode,
                    {{"QX-TotalSize", std::to_string(total)},
                     {"QX-ChunkOffset", std::to_string(offset)},
                     {"QX-ChunkSize", std::to_string(chunk.size())},
                     {"QX-MaxChunkSize", "102400"}},
                    UploadBody(chunk), report);
        ++report.uploadChunks;
        if (!report.failure.empty())
            return false;
        offset += chunk.size();
        if (chunk.empty())
            break;
    } while (!requested.empty());
    return true;
}

bool CPimHandset::Restore(HandsetAnswer answer, std::size_t maxChunk, PimSyncReport& report)
{
    const std::size_t total =
        std::stoul(Number(answer, "QX-TotalSize").empty() ? "0" : Number(answer, "QX-TotalSize"));
    std::string map;
    std::size_t received = 0;
    for (;;) {
        ++report.restoreChunks;
        report.largestChunkBytes = std::max(report.largestChunkBytes, answer.body.size());
        CXmlDocument document;
        if (!document.LoadUtf8(answer.body, XmlLineEnds::Keep)) {
            report.failure = "restore chunk is not XML";
            return false;
        }
        for (const CXmlNode& list : document.DocumentElement().ChildElements()) {
            for (const CXmlNode& item : list.SelectNodes(m_vocabulary.itemElement)) {
                const std::string luid = Utf16ToUtf8(item.Attribute(u"luid").value_or(u""));
                const std::string guid = Utf16ToUtf8(item.Attribute(u"guid").value_or(u""));
                const std::string status = Utf16ToUtf8(item.Attribute(u"status").value_or(u""));
                report.restored.push_back(status + " " + guid);
                Remove(luid);
                std::string newLuid = luid;
                std::string crc;
                if (status != "deleted") {
                    const std::string text =
                        Utf16ToUtf8(item.FirstChildElement(m_vocabulary.textElement).Text());
                    newLuid = Add(text);
                    crc = std::to_string(ItemChecksum(text));
                }
                map += "<" + Utf16ToUtf8(m_vocabulary.itemElement) + " luid=\"" + newLuid + "\" guid=\"" +
                       guid + "\" crc=\"" + crc + "\" status=\"" + status + "\"/>";
                ++received;
            }
        }
        if (received >= total)
            break;
        answer = Send("GetChunk",
                      {{"QX-ChunkOffset", Number(answer, "QX-ChunkOffset")},
                       {"QX-MaxChunkSize", std::to_string(maxChunk)}},
                      {}, report);
        if (!report.failure.empty())
            return false;
    }
    const std::string list = Utf16ToUtf8(m_vocabulary.listElement);
    Send("Map", {}, Envelope("<" + list + ">" + map + "</" + list + ">"), report);
    return report.failure.empty();
}
