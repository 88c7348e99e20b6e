#include "data/PimDocuments.h"

#include "platform/XmlDom.h"
#include "protocol/Credentials.h"
#include "protocol/ServerDocuments.h"
#include "utils/Utf.h"

#include <algorithm>
#include <type_traits>
#include <unordered_set>

namespace {

constexpr std::size_t kMaxCrcDigits = 10;
constexpr std::size_t kMaxStatusLength = 32;

// Loads `body` and reads each item (the `itemElement` children of the document element's first child
// element) with `read`, which returns nothing, with the reason in `error`, for an item it refuses.
// `listed`, when given, tells whether the document element had a child element at all.
template <typename Read>
auto ReadItems(std::string_view body, const PimVocabulary& vocabulary, std::string& error, bool* listed,
               const Read& read)
    -> std::optional<std::vector<typename std::invoke_result_t<Read, CXmlNode>::value_type>>
{
    const std::string what = std::string(vocabulary.commandType) + " document";
    // The XML reader would turn stray bytes into U+FFFD; an item must be kept as it was sent.
    if (!IsValidUtf8(body)) {
        error = what + " is not UTF-8";
        return std::nullopt;
    }
    CXmlDocument document;
    std::string parseError;
    if (!document.LoadUtf8(body, XmlLineEnds::Keep, &parseError)) {
        error = what + " is not XML: " + parseError;
        return std::nullopt;
    }
    const std::vector<CXmlNode> lists = document.DocumentElement().ChildElements();
    if (listed)
        *listed = !lists.empty();
    std::vector<typename std::invoke_result_t<Read, CXmlNode>::value_type> records;
    if (lists.empty())
        return records;
    for (const CXmlNode& item : lists.front().SelectNodes(vocabulary.itemElement)) {
        auto record = read(item);
        if (!record)
            return std::nullopt;
        records.push_back(std::move(*record));
    }
    return records;
}

std::string AttributeText(const CXmlNode& node, std::u16string_view name)
{
    return Utf16ToUtf8(node.Attribute(name).value_or(u""));
}

// A luid is the handset's store id in decimal; any protocol token is taken.
std::optional<std::string> Luid(const CXmlNode& node, const PimVocabulary& vocabulary, std::string& error)
{
    std::string luid = AttributeText(node, u"luid");
    if (!IsProtocolToken(luid)) {
        error = std::string(vocabulary.commandType) + " document: luid \"" + luid.substr(0, 64) +
                "\" is not 1-64 letters, digits or . _ @ + - = /";
        return std::nullopt;
    }
    return luid;
}

std::optional<std::string> Crc(const CXmlNode& node, const PimVocabulary& vocabulary, std::string& error)
{
    std::string crc = AttributeText(node, u"crc");
    const bool digits = std::all_of(crc.begin(), crc.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (crc.empty() || crc.size() > kMaxCrcDigits || !digits) {
        error = std::string(vocabulary.commandType) + " document: crc \"" + crc.substr(0, 32) +
                "\" is not a decimal checksum";
        return std::nullopt;
    }
    return crc;
}

} // namespace

std::optional<std::string> ItemTextProblem(std::string_view text)
{
    if (!IsValidUtf8(text))
        return "the item text is not UTF-8";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F)
            return "the item text holds the control character " + std::to_string(byte);
    }
    return std::nullopt;
}

std::optional<ChecksumListing> ReadChecksumList(std::string_view body, const PimVocabulary& vocabulary,
                                                std::string& error)
{
    ChecksumListing listing;
    std::unordered_set<std::string> seen;
    const auto read = [&](const CXmlNode& item) -> std::optional<ChecksumEntry> {
        std::optional<std::string> luid = Luid(item, vocabulary, error);
        std::optional<std::string> crc = luid ? Crc(item, vocabulary, error) : std::nullopt;
        if (!crc)
            return std::nullopt;
        if (!seen.insert(*luid).second) {
            error = std::string(vocabulary.commandType) + " document lists luid " + *luid + " twice";
            return std::nullopt;
        }
        return ChecksumEntry{std::move(*luid), std::move(*crc)};
    };
    std::optional<std::vector<ChecksumEntry>> entries =
        ReadItems(body, vocabulary, error, &listing.listed, read);
    if (!entries)
        return std::nullopt;
    listing.entries = std::move(*entries);
    return listing;
}

std::optional<std::vector<UploadedItem>> ReadUploadChunk(std::string_view body,
                                                         const PimVocabulary& vocabulary, std::string& error)
{
    const auto read = [&](const CXmlNode& item) -> std::optional<UploadedItem> {
        std::optional<std::string> luid = Luid(item, vocabulary, error);
        std::optional<std::string> crc = luid ? Crc(item, vocabulary, error) : std::nullopt;
        if (!crc)
            return std::nullopt;
        const CXmlNode textElement = item.FirstChildElement(vocabulary.textElement);
        if (!textElement) {
            error = std::string(vocabulary.commandType) + " document: item " + *luid + " has no \"" +
                    Utf16ToUtf8(vocabulary.textElement) + "\" element";
            return std::nullopt;
        }
        std::string text = Utf16ToUtf8(textElement.Text());
        if (const std::optional<std::string> problem = ItemTextProblem(text)) {
            error = std::string(vocabulary.commandType) + " document: item " + *luid + ": " + *problem;
            return std::nullopt;
        }
        return UploadedItem{std::move(*luid), std::move(*crc), std::move(text)};
    };
    return ReadItems(body, vocabulary, error, nullptr, read);
}

std::optional<std::vector<MapRecord>> ReadMapDocument(std::string_view body, const PimVocabulary& vocabulary,
                                                      std::string& error)
{
    const auto read = [&](const CXmlNode& item) -> std::optional<MapRecord> {
        MapRecord record;
        record.guid = AttributeText(item, u"guid");
        record.status = AttributeText(item, u"status");
        if (!KindOfGuid(record.guid) || record.status.size() > kMaxStatusLength) {
            error = std::string(vocabulary.commandType) + " map: guid \"" + record.guid.substr(0, 64) +
                    "\" is not one this server gave";
            return std::nullopt;
        }
        // A handset that could not apply an item sends it without a luid; a deleted item's checksum is
        // empty.
        if (!AttributeText(item, u"luid").empty()) {
            std::optional<std::string> luid = Luid(item, vocabulary, error);
            if (!luid)
                return std::nullopt;
            record.luid = std::move(*luid);
        }
        if (!AttributeText(item, u"crc").empty()) {
            std::optional<std::string> crc = Crc(item, vocabulary, error);
            if (!crc)
                return std::nullopt;
            record.crc = std::move(*crc);
        }
        return record;
    };
    return ReadItems(body, vocabulary, error, nullptr, read);
}

std::string RequestedIdsDocument(const PimVocabulary& vocabulary, std::span<const std::string> luids)
{
    CXmlDocument document;
    CXmlNode list = CreateEnvelope(document).AppendElement(vocabulary.listElement);
    for (const std::string& luid : luids)
        list.AppendElement(vocabulary.itemElement).SetAttribute(u"luid", Utf8ToUtf16(luid));
    return document.SerializeUtf8();
}

std::string RestoreChunkDocument(const PimVocabulary& vocabulary, std::span<const RestoreItem> items)
{
    CXmlDocument document;
    CXmlNode list = CreateEnvelope(document).AppendElement(vocabulary.listElement);
    for (const RestoreItem& item : items) {
        CXmlNode element = list.AppendElement(vocabulary.itemElement);
        if (!item.luid.empty())
            element.SetAttribute(u"luid", Utf8ToUtf16(item.luid));
        element.SetAttribute(u"guid", Utf8ToUtf16(item.guid))
            .SetAttribute(u"status", Utf8ToUtf16(item.status));
        element.AppendElement(vocabulary.textElement).SetCData(Utf8ToUtf16(item.text));
    }
    return document.SerializeUtf8();
}

std::size_t RestoreItemBytes(const RestoreItem& item)
{
    // The element, its attributes and the text element around one CDATA section; each CR and each "]]>"
    // closes the section for a moment (XmlWriter.cpp).
    constexpr std::size_t kElementBytes = 128;
    constexpr std::size_t kCarriageReturnBytes = 17;
    constexpr std::size_t kSplitBytes = 15;
    std::size_t bytes =
        kElementBytes + item.luid.size() + item.guid.size() + item.status.size() + item.text.size();
    for (std::size_t at = item.text.find('\r'); at != std::string::npos; at = item.text.find('\r', at + 1))
        bytes += kCarriageReturnBytes;
    for (std::size_t at = item.text.find("]]>"); at != std::string::npos; at = item.text.find("]]>", at + 1))
        bytes += kSplitBytes;
    return bytes;
}
