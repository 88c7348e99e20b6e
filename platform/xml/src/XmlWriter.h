#pragma once
// Serialises a pugixml document the way our peers need it, which pugixml's own printer does not:
// no indentation, no declaration of pugixml's making (the "xml" processing instruction the caller
// appended is written like any other), and every CR written as "&#13;" so that text keeps its CR LF
// through a parser's line-end normalisation.

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>

std::string WriteXml(const pugi::xml_document& document);

enum class XmlContext : std::uint8_t { Text, Attribute };
// Appends UTF-8 `value` with the five markup characters escaped for its place, and every control
// character (CR always; tab and line feed inside attribute values) as a character reference.
void AppendXmlEscaped(std::string& out, std::string_view value, XmlContext context);
