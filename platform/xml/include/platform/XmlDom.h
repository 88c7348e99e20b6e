#pragma once
// A small XML document object model: the operations the service and the reference server need.
//
// Backed by pugixml: attribute order is kept as set, entities are never expanded beyond the five
// predefined ones and character references, text is UTF-8 inside and UTF-16 at this interface.
// Loading normalises line ends as every XML parser must (CR LF becomes LF) unless told otherwise;
// the serialiser writes every CR as "&#13;", so text with CR LF survives our own writer and any
// parser. A value that is only white space is kept; white space between elements is dropped. A
// document with more than one document element, or with a zero byte, does not load.
// Nodes are light handles into their document and stay valid while the document lives.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CXmlDocument;

class CXmlNode {
public:
    CXmlNode() = default;
    bool IsNull() const { return m_node == nullptr; }
    explicit operator bool() const { return !IsNull(); }

    std::u16string Name() const;
    // Concatenated text and CDATA of the element's direct children.
    std::u16string Text() const;
    std::optional<std::u16string> Attribute(std::u16string_view name) const;

    std::size_t ChildCount() const;           // element, text and other children
    CXmlNode Child(std::size_t index) const;  // null when out of range
    std::vector<CXmlNode> ChildElements() const;
    // Direct child elements with that name.
    std::vector<CXmlNode> SelectNodes(std::u16string_view name) const;
    CXmlNode FirstChildElement(std::u16string_view name) const;

    CXmlNode& SetAttribute(std::u16string_view name, std::u16string_view value);
    CXmlNode& SetAttribute(std::u16string_view name, std::uint32_t value);
    CXmlNode& SetAttributeBool(std::u16string_view name, bool value); // "true" / "false"
    CXmlNode AppendElement(std::u16string_view name);
    CXmlNode& SetText(std::u16string_view text);
    CXmlNode& SetCData(std::u16string_view text);

private:
    friend class CXmlDocument;
    explicit CXmlNode(void* node) : m_node(node) {}
    void* m_node = nullptr; // pugi::xml_node_struct*
};

enum class XmlLineEnds : std::uint8_t { Normalise, Keep };

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Replaces the content; false (document emptied, reason in `error`) when the text is not
    // well-formed XML.
    bool Load(std::u16string_view text, XmlLineEnds lineEnds = XmlLineEnds::Normalise, std::string* error = nullptr);
    bool LoadUtf8(std::string_view bytes, XmlLineEnds lineEnds = XmlLineEnds::Normalise, std::string* error = nullptr);

    // Empties the document.
    void Clear();
    // Appends a processing instruction to the document (before the document element).
    void AppendProcessingInstruction(std::u16string_view target, std::u16string_view data);
    // Creates the document element (replacing none: call once).
    CXmlNode CreateDocumentElement(std::u16string_view name);
    CXmlNode DocumentElement() const;

    // The whole document as text, processing instructions first, without indentation and without a
    // declaration of its own (an "xml" processing instruction appended by the caller is written).
    std::u16string Serialize() const;
    std::string SerializeUtf8() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
