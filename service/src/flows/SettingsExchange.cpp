// The server settings exchange: the server hands the client its whole configuration
// ("RetrieveSettings", written straight into the settings key), and the client hands the user's
// choices back ("StoreSettings", 21 fixed values).

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "platform/Registry.h"
#include "platform/XmlDom.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "service/SettingsAnswer.h"
#include "service/XmlDocuments.h"

#include <cassert>

namespace {

enum class SentAs : std::uint8_t { Number, Flag, Text };

struct SentSetting {
    const char16_t* name;
    SentAs as;
};

// The settings document, in the order the server reads it.
constexpr SentSetting kSentSettings[] = {
    {u"Sync-Period", SentAs::Number},
    {u"Sync-Contacts", SentAs::Flag},
    {u"Sync-Contacts-Auto", SentAs::Flag},
    {u"Sync-Events", SentAs::Flag},
    {u"Sync-Sms", SentAs::Flag},
    {u"Sync-Images", SentAs::Flag},
    {u"Sync-Video", SentAs::Flag},
    {u"Sync-Audio", SentAs::Flag},
    {u"Sync-Other", SentAs::Flag},
    {u"Sync-Direction-Contacts", SentAs::Flag},
    {u"Sync-Direction-Events", SentAs::Flag},
    {u"Image-Download-Dir", SentAs::Text},
    {u"Video-Download-Dir", SentAs::Text},
    {u"Audio-Download-Dir", SentAs::Text},
    {u"Other-Download-Dir", SentAs::Text},
    {u"Sync-Direction-Images", SentAs::Flag},
    {u"Sync-Direction-Video", SentAs::Flag},
    {u"Sync-Direction-Audio", SentAs::Flag},
    {u"Sync-Direction-Other", SentAs::Flag},
    {u"Sync-Memory", SentAs::Flag},
    {u"Sync-Card", SentAs::Flag},
};

// Writes the answer's values into the settings key; false (logged) when it is not a document (a copy
// is then kept as "\res.xml") or a value could not be written.
bool StoreServerSettings(std::u16string_view answer)
{
    const std::optional<std::vector<ServerSetting>> settings = ParseSettingsAnswer(answer);
    if (!settings) {
        LogLine(SaveUnreadableAnswer(answer)
                    ? "settings answer: not a document; kept as \\res.xml"
                    : "settings answer: not a document; \\res.xml cannot be written");
        return false;
    }
    CRegKey key;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, kSettingsKey, key) != RegStatus::Ok) {
        LogLine("settings answer: the settings key cannot be opened");
        return false;
    }
    bool stored = true;
    for (const ServerSetting& setting : *settings) {
        const RegStatus status = setting.number ? key.SetDword(setting.name, *setting.number)
                                                : key.SetString(setting.name, setting.text);
        if (status != RegStatus::Ok) {
            LogLine(u"settings answer: \"" + setting.name + u"\" could not be written");
            stored = false;
        }
    }
    return stored;
}

std::u16string SettingsDocument(const _SETTINGS_DEF& settings)
{
    CXmlDocument document;
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return {};
    CXmlNode list = root.AppendElement(u"setting-list");
    for (const SentSetting& sent : kSentSettings) {
        const SettingDescriptor* field = FindSetting(sent.name);
        assert(field && "every value of the settings document is a setting");
        CXmlNode element = list.AppendElement(u"setting");
        element.SetAttribute(u"name", sent.name);
        switch (sent.as) {
        case SentAs::Number:
            element.SetAttribute(u"value", static_cast<std::uint32_t>(settings.*field->integer));
            break;
        case SentAs::Flag:
            element.SetAttributeBool(u"value", settings.*field->integer != 0);
            break;
        case SentAs::Text:
            element.SetAttribute(u"value", settings.*field->text);
            break;
        }
    }
    return document.Serialize();
}

} // namespace

RETURNED_RES TesselService::SettingsRetrieve()
{
    PrepareHTTPHeader(u"RetrieveSettings");
    const RETURNED_RES result = ExecuteRequest(u"GET");
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }
    std::u16string answer;
    if (!m_transport->ReadBody(answer) || !StoreServerSettings(answer)) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    m_settingsStore->UpdateRegistry();
    std::u16string version;
    if (m_transport->QueryHeader(u"QX-ConfigVersion: ", version)) {
        m_settingsStore->Set(&_SETTINGS_DEF::Config_Version, version);
        m_settingsStore->SaveSettings();
    }
    return RES_OK;
}

RETURNED_RES TesselService::RetrieveSettingsInSession()
{
    if (const std::optional<RETURNED_RES> ended =
            SessionStepEnds(CompleteNegotiation(u"RetrieveSettings", 0, 0, 0, 0, 0)))
        return *ended;
    if (const std::optional<RETURNED_RES> ended = SessionStepEnds(SettingsRetrieve()))
        return *ended;
    return CompleteSession();
}

RETURNED_RES TesselService::SettingsRetrieveFlow(HWND window)
{
    RETURNED_RES result = StartNegotiation(window);
    if (result != RES_OK && result != RES_SETTINGS_REQUIRED)
        return result;
    // A stop during the negotiation ends the flow here.
    if (const std::optional<RETURNED_RES> ended = SessionStepEnds(RES_OK))
        return *ended;
    result = RetrieveSettingsInSession();
    if (result != RES_OK || IsStopped())
        return result;
    m_settingsStore->Set(&_SETTINGS_DEF::SettingsRettrived, 1);
    m_settingsStore->SaveSettings();
    return RES_OK;
}

RETURNED_RES TesselService::SettingsStoreFlow()
{
    const std::u16string document = SettingsDocument(m_settingsStore->Snapshot());
    if (document.empty()) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    PrepareHTTPHeader(u"StoreSettings");
    m_transport->AddHeader(u"QX-Challenge: ", m_challengeResponse);
    const RETURNED_RES result = ExecuteRequest(u"POST", document);
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(this);
    return result;
}
