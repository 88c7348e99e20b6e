#include "platform/XmlTextWriter.h"

#include "XmlWriter.h"
#include "utils/Utf.h"

#include <cassert>

void CXmlTextWriter::ProcessingInstruction(std::string_view target, std::string_view data)
{
    CloseStartTag();
    m_out += "<?";
    m_out += target;
    if (!data.empty()) {
        m_out += ' ';
        m_out += data;
    }
    m_out += "?>";
}

void CXmlTextWriter::StartElement(std::string_view name)
{
    CloseStartTag();
    m_out += '<';
    m_out += name;
    m_open.emplace_back(name);
    m_startTagOpen = true;
}

void CXmlTextWriter::Attribute(std::string_view name, std::u16string_view value)
{
    assert(m_startTagOpen && "attributes follow their element's start");
    m_out += ' ';
    m_out += name;
    m_out += "=\"";
    m_utf8 = Utf16ToUtf8(value);
    AppendXmlEscaped(m_out, m_utf8, XmlContext::Attribute);
    m_out += '"';
}

void CXmlTextWriter::Text(std::u16string_view text)
{
    if (text.empty())
        return;
    CloseStartTag();
    m_utf8 = Utf16ToUtf8(text);
    AppendXmlEscaped(m_out, m_utf8, XmlContext::Text);
}

void CXmlTextWriter::EndElement()
{
    assert(!m_open.empty() && "an element is open");
    if (m_startTagOpen) {
        m_out += "/>";
        m_startTagOpen = false;
    } else {
        m_out += "</";
        m_out += m_open.back();
        m_out += '>';
    }
    m_open.pop_back();
}

void CXmlTextWriter::CloseStartTag()
{
    if (!m_startTagOpen)
        return;
    m_out += '>';
    m_startTagOpen = false;
}
