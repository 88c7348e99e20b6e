#include "data/MediaDocuments.h"

#include "platform/XmlDom.h"
#include "protocol/ServerDocuments.h"
#include "utils/Base64.h"
#include "utils/Utf.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kUrlPrefix = "file://";
constexpr std::size_t kMaxUrlBytes = 1024;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxRevisionBytes = 64;
// Sizes and ids as the handset reads them ("%d").
constexpr std::int64_t kMaxNumber = 0x7FFFFFFF;

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string AttributeText(const CXmlNode& node, std::u16string_view name)
{
    return Utf16ToUtf8(node.Attribute(name).value_or(u""));
}

std::optional<std::int64_t> Number(const CXmlNode& node, std::u16string_view name)
{
    const std::string text = AttributeText(node, name);
    std::int64_t value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || value < 0 ||
        value > kMaxNumber)
        return std::nullopt;
    return value;
}

// The "media" elements of the body's list.
std::optional<std::vector<CXmlNode>> MediaElements(std::string_view body, CXmlDocument& document,
                                                   std::string& error)
{
    if (!IsValidUtf8(body)) {
        error = "media list is not UTF-8";
        return std::nullopt;
    }
    std::string parseError;
    if (!document.LoadUtf8(body, XmlLineEnds::Normalise, &parseError)) {
        error = "media list is not XML: " + parseError;
        return std::nullopt;
    }
    const std::vector<CXmlNode> lists = document.DocumentElement().ChildElements();
    if (lists.empty())
        return std::vector<CXmlNode>();
    return lists.front().SelectNodes(u"media");
}

} // namespace

bool IsDeviceUrl(std::string_view url)
{
    return url.starts_with(kUrlPrefix) && url.size() <= kMaxUrlBytes && IsValidUtf8(url) &&
           !HasControlCharacter(url) && IsPlainFileName(FileNameOfUrl(url));
}

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name.size() <= kMaxNameBytes && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos && IsValidUtf8(name) &&
           !HasControlCharacter(name);
}

std::string FileNameOfUrl(std::string_view url)
{
    return std::string(url.substr(url.find_last_of('/') + 1));
}

std::optional<std::vector<DeviceFile>> ReadDeviceList(std::string_view body, std::string& error)
{
    CXmlDocument document;
    const std::optional<std::vector<CXmlNode>> elements = MediaElements(body, document, error);
    if (!elements)
        return std::nullopt;
    std::vector<DeviceFile> files;
    for (const CXmlNode& element : *elements) {
        DeviceFile file{AttributeText(element, u"url"), 0, AttributeText(element, u"revision")};
        const std::optional<std::int64_t> size = Number(element, u"size");
        if (!IsDeviceUrl(file.url) || !size || file.revision.size() > kMaxRevisionBytes ||
            HasControlCharacter(file.revision)) {
            error = "media list: \"" + file.url.substr(0, 80) +
                    "\" is not a device file with its size and revision";
            return std::nullopt;
        }
        file.size = *size;
        files.push_back(std::move(file));
    }
    return files;
}

std::optional<std::vector<MediaMapRecord>> ReadMediaMap(std::string_view body, std::string& error)
{
    CXmlDocument document;
    const std::optional<std::vector<CXmlNode>> elements = MediaElements(body, document, error);
    if (!elements)
        return std::nullopt;
    std::vector<MediaMapRecord> records;
    for (const CXmlNode& element : *elements) {
        MediaMapRecord record{0, AttributeText(element, u"url")};
        const std::optional<std::int64_t> id = Number(element, u"id");
        if (!id || *id == 0 || !IsDeviceUrl(record.url)) {
            error = "media map: \"" + record.url.substr(0, 80) + "\" is not a device file with a media id";
            return std::nullopt;
        }
        record.id = *id;
        records.push_back(std::move(record));
    }
    return records;
}

std::string MediaListDocument(std::span<const MediaListEntry> entries)
{
    // What the elements take besides thumbnails, so thumbnails are left out before the bound is passed.
    constexpr std::size_t kElementBytes = 200;
    std::size_t bytes = 0;
    for (const MediaListEntry& entry : entries)
        bytes += kElementBytes + 6 * (entry.name.size() + entry.url.size() + entry.status.size());
    CXmlDocument document;
    CXmlNode list = CreateEnvelope(document).AppendElement(u"media-list");
    for (const MediaListEntry& entry : entries) {
        CXmlNode element = list.AppendElement(u"media");
        element.SetAttribute(u"id", static_cast<std::uint32_t>(entry.id))
            .SetAttribute(u"filename", Utf8ToUtf16(entry.name))
            .SetAttribute(u"size", static_cast<std::uint32_t>(std::min<std::int64_t>(entry.size, kMaxNumber)))
            .SetAttribute(u"url", Utf8ToUtf16(entry.url))
            .SetAttribute(u"status", Utf8ToUtf16(entry.status));
        const std::size_t thumbnailBytes = (entry.thumbnail.size() + 2) / 3 * 4;
        if (!entry.thumbnail.empty() && bytes + thumbnailBytes <= kMaxMediaListBytes) {
            bytes += thumbnailBytes;
            element.AppendElement(u"thumbnail").SetText(Utf8ToUtf16(Base64Encode(entry.thumbnail)));
        }
    }
    return document.SerializeUtf8();
}
