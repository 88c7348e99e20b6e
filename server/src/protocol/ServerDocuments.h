#pragma once
// The XML documents of the protocol as the server writes and reads them. Every document the server
// writes is a "QXSync" envelope like the handset's own, so the handset's readers find what they expect.

#include "platform/XmlDom.h"
#include "store/AccountStore.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Adds the "xml" declaration and the "QXSync" document element (schema attributes, version, time
// stamp in milliseconds since 1970) to an empty document; returns the document element.
CXmlNode CreateEnvelope(CXmlDocument& document);

// The answer to RetrieveSettings: one "setting-list" of "setting" elements (name, value), UTF-8.
std::string SettingsDocument(std::span<const SettingValue> settings);

// The "setting" elements (name, value) of a StoreSettings body, from every child of the document
// element. Nothing, with the reason in `error`, when the body is not UTF-8 XML, has no "setting" element, has
// one without both attributes, or has more than 256.
std::optional<std::vector<SettingValue>> ReadSettingsDocument(std::string_view body, std::string& error);
