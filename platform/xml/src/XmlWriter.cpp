#include "XmlWriter.h"

#include <cstdint>
#include <string_view>

namespace {

void AppendCharacterReference(std::string& out, unsigned char c)
{
    out += "&#";
    out += std::to_string(c);
    out += ';';
}

} // namespace

void AppendXmlEscaped(std::string& out, std::string_view value, XmlContext context)
{
    // Runs of characters that need no escape are appended whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const auto byte = static_cast<unsigned char>(c);
        const bool markup =
            c == '&' || c == '<' || c == '>' || (c == '"' && context == XmlContext::Attribute);
        // CR always, and the other control characters, which XML cannot carry literally; tab and line
        // feed only in attribute values, which parsers normalise to blanks.
        const bool control = byte < 0x20 && (context == XmlContext::Attribute || (c != '\t' && c != '\n'));
        if (!markup && !control)
            continue;
        out.append(value, plain, i - plain);
        plain = i + 1;
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            AppendCharacterReference(out, byte);
    }
    out.append(value, plain);
}

namespace {

// CDATA cannot hold "]]>" nor a reference, so both a "]]>" and a CR end the section for a moment.
void AppendCData(std::string& out, std::string_view value)
{
    out += "<![CDATA[";
    // Runs up to the next CR or "]" are appended whole.
    std::size_t plain = 0;
    for (std::size_t i = value.find_first_of("\r]"); i != std::string_view::npos; i = value.find_first_of("\r]", i)) {
        if (value[i] == '\r') {
            out.append(value, plain, i - plain);
            out += "]]>&#13;<![CDATA[";
            plain = ++i;
        } else if (value.substr(i, 3) == "]]>") {
            out.append(value, plain, i - plain);
            out += "]]]]><![CDATA[>";
            i += 3;
            plain = i;
        } else {
            ++i;
        }
    }
    out.append(value, plain);
    out += "]]>";
}

// Writes the node; an element is opened only (returns true when it has children to write).
bool WriteStart(std::string& out, const pugi::xml_node& node)
{
    switch (node.type()) {
    case pugi::node_element:
        out += '<';
        out += node.name();
        for (const pugi::xml_attribute attribute : node.attributes()) {
            out += ' ';
            out += attribute.name();
            out += "=\"";
            AppendXmlEscaped(out, attribute.value(), XmlContext::Attribute);
            out += '"';
        }
        if (!node.first_child()) {
            out += "/>";
            return false;
        }
        out += '>';
        return true;
    case pugi::node_pcdata:
        AppendXmlEscaped(out, node.value(), XmlContext::Text);
        return false;
    case pugi::node_cdata:
        AppendCData(out, node.value());
        return false;
    case pugi::node_pi:
        out += "<?";
        out += node.name();
        if (*node.value() != '\0') {
            out += ' ';
            out += node.value();
        }
        out += "?>";
        return false;
    default:
        // Comments, doctypes and declarations are never kept by our loader nor made by our code.
        return false;
    }
}

} // namespace

// Iterative, so that a document nested a million levels deep cannot exhaust the stack.
std::string WriteXml(const pugi::xml_document& document)
{
    std::string out;
    pugi::xml_node node = document.first_child();
    while (node) {
        if (WriteStart(out, node)) {
            node = node.first_child();
            continue;
        }
        while (!node.next_sibling()) {
            node = node.parent();
            if (node == document)
                return out;
            out += "</";
            out += node.name();
            out += '>';
        }
        node = node.next_sibling();
    }
    return out;
}
