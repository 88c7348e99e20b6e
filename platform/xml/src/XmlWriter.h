#pragma once
// Serialises a pugixml document the way our peers need it, which pugixml's own printer does not:
// no indentation, no declaration of pugixml's making (the "xml" processing instruction the caller
// appended is written like any other), and every CR written as "&#13;" so that text keeps its CR LF
// through a parser's line-end normalisation.

#include <pugixml.hpp>

#include <string>

std::string WriteXml(const pugi::xml_document& document);
