#include "protocol/ServerDocuments.h"

#include "ServerTime.h"
#include "utils/Utf.h"

namespace {

constexpr std::size_t kMaxSettingsInDocument = 256;

} // namespace

CXmlNode CreateEnvelope(CXmlDocument& document)
{
    document.AppendProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"UTF-8\"");
    CXmlNode root = document.CreateDocumentElement(u"QXSync");
    root.SetAttribute(u"xmlns:xsi", u"http://www.w3.org/2001/XMLSchema-instance");
    root.SetAttribute(u"xsi:noNamespaceSchemaLocation", u"QXSync.xsd");
    root.SetAttribute(u"version", u"1.0");
    root.SetAttribute(u"timestamp", Utf8ToUtf16(std::to_string(NowMs())));
    return root;
}

std::string SettingsDocument(std::span<const SettingValue> settings)
{
    CXmlDocument document;
    CXmlNode list = CreateEnvelope(document).AppendElement(u"setting-list");
    for (const SettingValue& setting : settings) {
        list.AppendElement(u"setting")
            .SetAttribute(u"name", Utf8ToUtf16(setting.name))
            .SetAttribute(u"value", Utf8ToUtf16(setting.value));
    }
    return document.SerializeUtf8();
}

std::optional<std::vector<SettingValue>> ReadSettingsDocument(std::string_view body, std::string& error)
{
    // The XML reader would turn stray bytes into U+FFFD; a value must reach the store as it was sent.
    if (!IsValidUtf8(body)) {
        error = "settings document is not UTF-8";
        return std::nullopt;
    }
    CXmlDocument document;
    std::string parseError;
    if (!document.LoadUtf8(body, XmlLineEnds::Normalise, &parseError)) {
        error = "settings document is not XML: " + parseError;
        return std::nullopt;
    }
    std::vector<SettingValue> settings;
    for (const CXmlNode& list : document.DocumentElement().ChildElements()) {
        for (const CXmlNode& setting : list.SelectNodes(u"setting")) {
            const std::optional<std::u16string> name = setting.Attribute(u"name");
            const std::optional<std::u16string> value = setting.Attribute(u"value");
            if (!name || !value) {
                error = "settings document: a \"setting\" element lacks its name or value";
                return std::nullopt;
            }
            if (settings.size() == kMaxSettingsInDocument) {
                error = "settings document holds more than 256 settings";
                return std::nullopt;
            }
            settings.push_back({Utf16ToUtf8(*name), Utf16ToUtf8(*value)});
        }
    }
    if (settings.empty()) {
        error = "settings document holds no \"setting\" element";
        return std::nullopt;
    }
    return settings;
}
