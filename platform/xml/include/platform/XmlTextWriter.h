#pragma once
// Writes an XML document straight into a UTF-8 text, element by element, exactly as CXmlDocument
// serialises one (no indentation, the same escapes, every CR as "&#13;"). For documents too large to be
// built as a tree first: the text is the only copy of the document.
//
// The caller writes a well-formed sequence (attributes right after their element's start, every
// element ended); names are written as given. One writer per text; not thread-safe.

#include <string>
#include <string_view>
#include <vector>

class CXmlTextWriter {
public:
    explicit CXmlTextWriter(std::string& out) : m_out(out) {}

    void ProcessingInstruction(std::string_view target, std::string_view data);
    void StartElement(std::string_view name);
    void Attribute(std::string_view name, std::u16string_view value);
    void Text(std::u16string_view text);
    // Ends the innermost open element ("/>" when it holds nothing).
    void EndElement();

private:
    void CloseStartTag();

    std::string& m_out;
    std::vector<std::string> m_open;
    bool m_startTagOpen = false;
    std::string m_utf8; // reused for each converted value
};
