#include "service/TesselService.h"

#include "pim/CAlmanacFactory.h"
#include "platform/DeviceConfig.h"
#include "platform/MAPIMsgStore.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "service/ServerTransport.h"
#include "service/UI_Sync.h"
#include "utils/Utf.h"

#include <charconv>
#include <mutex>
#include <new>
#include <string>

namespace {

constinit std::mutex s_instanceMutex;
TesselService* s_instance = nullptr;

// The screen of the handset the layouts were made for: 240 x 320 pixels less the 26-pixel bar at
// the top. A device may name its own in the device configuration as "work-area = left,top,right,bottom".
constexpr RECT kHandsetWorkArea{0, 26, 240, 320};

RECT ReadWorkArea()
{
    const std::optional<std::string> text = CDeviceConfig::Get("work-area");
    if (!text)
        return kHandsetWorkArea;
    std::int32_t values[4] = {};
    const char* at = text->data();
    const char* const end = text->data() + text->size();
    for (int i = 0; i < 4; ++i) {
        while (at != end && *at == ' ')
            ++at;
        const auto [next, status] = std::from_chars(at, end, values[i]);
        if (status != std::errc())
            return kHandsetWorkArea;
        at = next;
        while (at != end && *at == ' ')
            ++at;
        if (i < 3 && (at == end || *at++ != ','))
            return kHandsetWorkArea;
    }
    if (at != end || values[0] >= values[2] || values[1] >= values[3]) {
        CLog_File::AddLogLine(u"device configuration: work-area \"" + Utf8ToUtf16(*text) +
                              u"\" is not left,top,right,bottom");
        return kHandsetWorkArea;
    }
    return RECT{values[0], values[1], values[2], values[3]};
}

} // namespace

TesselService* TesselService::InitService()
{
    std::lock_guard lock(s_instanceMutex);
    if (s_instance)
        return s_instance;
    try {
        s_instance = new TesselService();
    } catch (const std::bad_alloc&) {
        s_instance = nullptr;
    }
    return s_instance;
}

void TesselService::ReleaseService()
{
    TesselService* instance = nullptr;
    {
        std::lock_guard lock(s_instanceMutex);
        instance = s_instance;
        s_instance = nullptr;
    }
    delete instance;
}

// Construction in the handset's order. Without the SMS store the SMS flows find no folders.
TesselService::TesselService() : m_workArea(ReadWorkArea())
{
    m_smsStore = MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", m_smsStoreError);
    m_outlook = CAlmanacFactory::GetOutlookManager();
    m_dialogAnswered = CEvent::Create(EventReset::Manual, false);
    m_keysTaken = CEvent::Create(EventReset::Manual, false);
    m_settingsStore = CReg_Api::GetInstanceReg();
    m_log = CLog_File::GetInstanceLog();
    m_uiSync = UI_Sync::GetInstanceUISync();
    m_branding = CBrandingGuide::GetInstanceBranding();
    m_acceptLanguage = CBrandingGuide::LocaleTag();
}

TesselService::~TesselService()
{
    CReg_Api::Release();
    CBrandingGuide::Release();
    CLog_File::Release();
    UI_Sync::Release();
    m_transport.reset();
    m_dialogAnswered.reset();
    m_keysTaken.reset();
}

void TesselService::ReportProgress(HWND window, const std::u16string& text, std::int32_t value)
{
    if (!IsWindow(window))
        return;
    // The text stays valid during the call: SendMessage returns only once the window has handled it.
    SendMessage(window, WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(text.c_str()), value);
}

void TesselService::ReportProgress(HWND window, int brandingText, std::int32_t value)
{
    ReportProgress(window, BrandingText(brandingText), value);
}

void TesselService::LogFailure(int line, const char* file)
{
    if (!CLog_File::GetInstanceLog())
        return;
    CLog_File::AddLogLine(u"Error in line " + Utf8ToUtf16(std::to_string(line)) + u" file " +
                          Utf8ToUtf16(file));
}
