#include "service/FileListDocuments.h"

#include "platform/XmlDom.h"
#include "service/XmlDocuments.h"
#include "utils/Base64.h"
#include "utils/Decimal.h"
#include "utils/Utf.h"

namespace {

std::int32_t NumberAttribute(const CXmlNode& node, std::u16string_view name)
{
    const std::optional<std::u16string> text = node.Attribute(name);
    return text ? ReadDecimalInt32(*text).value_or(0) : 0;
}

// The "media-list" element of a new document; null when no document could be made.
CXmlNode NewMediaList(CXmlDocument& document)
{
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return {};
    return root.AppendElement(u"media-list");
}

FILE_OBJECT ReadMedia(const CXmlNode& media, const CFileKindRules& kinds)
{
    FILE_OBJECT file;
    file.size = std::max(NumberAttribute(media, u"size"), 0);
    file.id = NumberAttribute(media, u"id");
    file.path = media.Attribute(u"url").value_or(u"");
    file.name = media.Attribute(u"filename").value_or(u"");
    // The name stays as the server has it: a download is written under it, and on a file system that
    // tells cases apart "IMG_0001.jpg" would be another file than the "IMG_0001.JPG" that was sent.
    std::u16string folded = file.name;
    file.kind = kinds.KindOf(folded).value_or(FILE_KIND_OTHER);
    file.status = media.Attribute(u"status").value_or(u"");
    if (media.ChildCount() > 0) {
        // The text of the first child: an element around it (<thumbnail>) or the text itself.
        const CXmlNode first = media.Child(0);
        const std::u16string text = first.Name().empty() ? media.Text() : first.Text();
        const std::string bytes = Base64DecodeLenient(Utf16ToUtf8(text));
        file.thumbnail.assign(bytes.begin(), bytes.end());
    }
    return file;
}

} // namespace

std::u16string DeviceListDocument(const FileList& list)
{
    CXmlDocument document;
    CXmlNode mediaList = NewMediaList(document);
    if (mediaList.IsNull())
        return {};
    for (const FILE_OBJECT& file : list) {
        mediaList.AppendElement(u"media")
            .SetAttribute(u"url", file.path)
            .SetAttribute(u"size", Utf8ToUtf16(std::to_string(file.size)))
            .SetAttribute(u"revision", file.revision);
    }
    return document.Serialize();
}

std::u16string MapDocument(const FILE_OBJECT& file)
{
    CXmlDocument document;
    CXmlNode mediaList = NewMediaList(document);
    if (mediaList.IsNull())
        return {};
    mediaList.AppendElement(u"media")
        .SetAttribute(u"url", file.path)
        .SetAttribute(u"id", static_cast<std::uint32_t>(file.id))
        .SetAttribute(u"status", file.status);
    return document.Serialize();
}

std::optional<FileList> ParseFileListAnswer(std::u16string_view text, const CFileKindRules& kinds)
{
    CXmlDocument document;
    if (!document.Load(text))
        return std::nullopt;
    FileList list;
    const std::vector<CXmlNode> lists = document.DocumentElement().ChildElements();
    if (lists.empty())
        return list;
    for (const CXmlNode& media : lists.front().SelectNodes(u"media"))
        list.push_back(ReadMedia(media, kinds));
    return list;
}
