#include "platform/XmlDom.h"

#include "XmlWriter.h"
#include "utils/Utf.h"

#include <pugixml.hpp>

#include <cassert>

namespace {

pugi::xml_node ToPugi(void* node)
{
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node));
}

bool IsTextNode(const pugi::xml_node& node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// Replaces the element's text and CDATA children by one child of `type`.
void ReplaceText(pugi::xml_node element, pugi::xml_node_type type, std::u16string_view text)
{
    if (element.type() != pugi::node_element)
        return;
    for (pugi::xml_node child = element.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (IsTextNode(child))
            element.remove_child(child);
        child = next;
    }
    element.append_child(type).set_value(Utf16ToUtf8(text).c_str());
}

} // namespace

std::u16string CXmlNode::Name() const
{
    return Utf8ToUtf16(ToPugi(m_node).name());
}

std::u16string CXmlNode::Text() const
{
    std::string text;
    for (const pugi::xml_node child : ToPugi(m_node).children()) {
        if (IsTextNode(child))
            text += child.value();
    }
    return Utf8ToUtf16(text);
}

std::optional<std::u16string> CXmlNode::Attribute(std::u16string_view name) const
{
    const pugi::xml_attribute attribute = ToPugi(m_node).attribute(Utf16ToUtf8(name).c_str());
    if (!attribute)
        return std::nullopt;
    return Utf8ToUtf16(attribute.value());
}

std::size_t CXmlNode::ChildCount() const
{
    std::size_t count = 0;
    for (pugi::xml_node child = ToPugi(m_node).first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

CXmlNode CXmlNode::Child(std::size_t index) const
{
    pugi::xml_node child = ToPugi(m_node).first_child();
    for (; child && index > 0; --index)
        child = child.next_sibling();
    return CXmlNode(child.internal_object());
}

std::vector<CXmlNode> CXmlNode::ChildElements() const
{
    std::vector<CXmlNode> elements;
    for (const pugi::xml_node child : ToPugi(m_node).children()) {
        if (child.type() == pugi::node_element)
            elements.push_back(CXmlNode(child.internal_object()));
    }
    return elements;
}

std::vector<CXmlNode> CXmlNode::SelectNodes(std::u16string_view name) const
{
    std::vector<CXmlNode> elements;
    const std::string wanted = Utf16ToUtf8(name);
    for (const pugi::xml_node child : ToPugi(m_node).children(wanted.c_str())) {
        if (child.type() == pugi::node_element)
            elements.push_back(CXmlNode(child.internal_object()));
    }
    return elements;
}

CXmlNode CXmlNode::FirstChildElement(std::u16string_view name) const
{
    return CXmlNode(ToPugi(m_node).child(Utf16ToUtf8(name).c_str()).internal_object());
}

CXmlNode& CXmlNode::SetAttribute(std::u16string_view name, std::u16string_view value)
{
    pugi::xml_node node = ToPugi(m_node);
    if (node.type() != pugi::node_element)
        return *this;
    const std::string key = Utf16ToUtf8(name);
    pugi::xml_attribute attribute = node.attribute(key.c_str());
    if (!attribute)
        attribute = node.append_attribute(key.c_str());
    attribute.set_value(Utf16ToUtf8(value).c_str());
    return *this;
}

CXmlNode& CXmlNode::SetAttribute(std::u16string_view name, std::uint32_t value)
{
    const std::string digits = std::to_string(value);
    return SetAttribute(name, std::u16string(digits.begin(), digits.end()));
}

CXmlNode& CXmlNode::SetAttributeBool(std::u16string_view name, bool value)
{
    return SetAttribute(name, value ? std::u16string_view(u"true") : std::u16string_view(u"false"));
}

CXmlNode CXmlNode::AppendElement(std::u16string_view name)
{
    pugi::xml_node node = ToPugi(m_node);
    if (node.type() != pugi::node_element)
        return CXmlNode();
    pugi::xml_node child = node.append_child(pugi::node_element);
    child.set_name(Utf16ToUtf8(name).c_str());
    return CXmlNode(child.internal_object());
}

CXmlNode& CXmlNode::SetText(std::u16string_view text)
{
    ReplaceText(ToPugi(m_node), pugi::node_pcdata, text);
    return *this;
}

CXmlNode& CXmlNode::SetCData(std::u16string_view text)
{
    ReplaceText(ToPugi(m_node), pugi::node_cdata, text);
    return *this;
}

struct CXmlDocument::Impl {
    pugi::xml_document document;
};

CXmlDocument::CXmlDocument() : m_impl(std::make_unique<Impl>()) {}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::Load(std::u16string_view text, XmlLineEnds lineEnds, std::string* error)
{
    return LoadUtf8(Utf16ToUtf8(text), lineEnds, error);
}

bool CXmlDocument::LoadUtf8(std::string_view bytes, XmlLineEnds lineEnds, std::string* error)
{
    pugi::xml_document& document = m_impl->document;
    document.reset();
    const auto fail = [&](std::string reason) {
        document.reset();
        if (error)
            *error = std::move(reason);
        return false;
    };
    // XML allows no zero character, not even as a reference; the parser would stop at it quietly.
    if (bytes.find('\0') != std::string_view::npos)
        return fail("zero byte at offset " + std::to_string(bytes.find('\0')));

    // A value that is only white space (a single blank, a lone line break) is data; white space
    // between elements is layout and is dropped.
    unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single;
    if (lineEnds == XmlLineEnds::Keep)
        options &= ~pugi::parse_eol;
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
    if (!result)
        return fail(std::string(result.description()) + " at offset " + std::to_string(result.offset));

    int elements = 0;
    for (const pugi::xml_node child : document.children()) {
        if (child.type() == pugi::node_element)
            ++elements;
    }
    if (elements != 1)
        return fail("more than one document element");
    if (error)
        error->clear();
    return true;
}

void CXmlDocument::Clear()
{
    m_impl->document.reset();
}

void CXmlDocument::AppendProcessingInstruction(std::u16string_view target, std::u16string_view data)
{
    pugi::xml_document& document = m_impl->document;
    const pugi::xml_node root = document.document_element();
    pugi::xml_node instruction =
        root ? document.insert_child_before(pugi::node_pi, root) : document.append_child(pugi::node_pi);
    instruction.set_name(Utf16ToUtf8(target).c_str());
    instruction.set_value(Utf16ToUtf8(data).c_str());
}

CXmlNode CXmlDocument::CreateDocumentElement(std::u16string_view name)
{
    pugi::xml_document& document = m_impl->document;
    assert(!document.document_element() && "a document has one document element");
    pugi::xml_node root = document.append_child(pugi::node_element);
    root.set_name(Utf16ToUtf8(name).c_str());
    return CXmlNode(root.internal_object());
}

CXmlNode CXmlDocument::DocumentElement() const
{
    return CXmlNode(m_impl->document.document_element().internal_object());
}

std::u16string CXmlDocument::Serialize() const
{
    return Utf8ToUtf16(SerializeUtf8());
}

std::string CXmlDocument::SerializeUtf8() const
{
    return WriteXml(m_impl->document);
}
