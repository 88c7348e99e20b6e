#pragma once
// The "QXSync" envelope every outgoing document has, and the time stamp it carries.

#include "platform/XmlDom.h"

#include <cstdint>

// Creates a new document with the xml processing instruction and the "QXSync" document element with
// its four attributes. Returns 0, or -1 when no document could be created.
int CreateEnvelope(CXmlDocument& document, CXmlNode& root);

// Milliseconds since 1970-01-01 00:00 UTC from the installed clock.
std::int64_t CurrentTimeMs();
