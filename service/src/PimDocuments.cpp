#include "service/PimDocuments.h"

#include "platform/XmlDom.h"

namespace {

// The items of an answer: the `itemElement` children of the document element's first child element.
std::vector<CXmlNode> AnswerItems(const CXmlDocument& document, std::u16string_view itemElement)
{
    const CXmlNode root = document.DocumentElement();
    if (!root)
        return {};
    const std::vector<CXmlNode> lists = root.ChildElements();
    if (lists.empty())
        return {};
    return lists.front().SelectNodes(itemElement);
}

} // namespace

std::vector<std::u16string> ParseRequestedIds(std::u16string_view answer, std::u16string_view itemElement)
{
    CXmlDocument document;
    if (!document.Load(answer))
        return {};
    std::vector<std::u16string> luids;
    for (const CXmlNode& item : AnswerItems(document, itemElement)) {
        if (std::optional<std::u16string> luid = item.Attribute(u"luid"))
            luids.push_back(std::move(*luid));
    }
    return luids;
}

RestoreChunk ParseRestoreChunk(std::u16string_view answer, std::u16string_view itemElement)
{
    RestoreChunk chunk;
    CXmlDocument document;
    // Item texts keep their CR LF: the handset's stores and checksums work on the text as sent.
    if (!document.Load(answer, XmlLineEnds::Keep))
        return chunk;
    chunk.loaded = true;
    for (const CXmlNode& element : AnswerItems(document, itemElement)) {
        std::optional<std::u16string> guid = element.Attribute(u"guid");
        std::optional<std::u16string> status = element.Attribute(u"status");
        if (!guid || !status) {
            chunk.cut = true;
            break;
        }
        RestoreItem& item = chunk.items.emplace_back();
        item.luid = element.Attribute(u"luid");
        item.guid = std::move(*guid);
        item.status = std::move(*status);
        const std::vector<CXmlNode> children = element.ChildElements();
        item.text = children.empty() ? element.Text() : children.front().Text();
    }
    return chunk;
}
