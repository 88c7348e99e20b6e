#pragma once
// The "QXSync" envelope every outgoing document has, and the time stamp it carries.

#include "platform/XmlDom.h"
#include "platform/XmlTextWriter.h"

#include <cstdint>
#include <string_view>

// Creates a new document with the xml processing instruction and the "QXSync" document element with
// its four attributes. Returns 0, or -1 when no document could be created.
int CreateEnvelope(CXmlDocument& document, CXmlNode& root);
// Writes the same envelope's start into a document written as text: the processing instruction and
// the open "QXSync" element with its attributes. The caller ends the element.
void WriteEnvelopeStart(CXmlTextWriter& writer);

// Milliseconds since 1970-01-01 00:00 UTC from the installed clock.
std::int64_t CurrentTimeMs();

// Keeps a copy of an answer that could not be loaded as a document, for whoever looks into the
// failure: the text (UTF-8) replaces "\res.xml" at the device root, readable by the user only
// (mode 0600). False when it cannot be written.
bool SaveUnreadableAnswer(std::u16string_view text);
