#include "service/CReg_Api.h"

#include "platform/DevicePaths.h"
#include "service/CLog_File.h"
#include "utils/Utf.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>

namespace {

constinit std::mutex s_instanceMutex;
constinit std::atomic<CReg_Api*> s_instance{nullptr};

constexpr std::u16string_view kNotRead = u"ExpectCIR";            // lives in memory only
constexpr std::u16string_view kNotWritten = u"Forbidden-Folders"; // read, never written back

struct DownloadFolder {
    std::u16string _SETTINGS_DEF::*field;
    const char16_t* name;
    SpecialFolder fallback;
};

constexpr DownloadFolder kDownloadFolders[] = {
    {&_SETTINGS_DEF::Image_Download_Dir, u"Image-Download-Dir", SpecialFolder::MyPictures},
    {&_SETTINGS_DEF::Video_Download_Dir, u"Video-Download-Dir", SpecialFolder::MyVideo},
    {&_SETTINGS_DEF::Audio_Download_Dir, u"Audio-Download-Dir", SpecialFolder::MyMusic},
    {&_SETTINGS_DEF::Other_Download_Dir, u"Other-Download-Dir", SpecialFolder::MyDocuments},
};

std::span<const SettingDescriptor> AllSettings()
{
    std::size_t count = 0;
    const SettingDescriptor* table = SettingsTable(count);
    return {table, count};
}

// The integers that must not keep a stale value when the registry holds no valid one.
std::optional<std::int32_t> ValueWhenInvalid(std::u16string_view name)
{
    if (name == u"Max-File-Size")
        return 512000;
    if (name == u"Retry-Number" || name == u"SettingsRettrived")
        return 0;
    return std::nullopt;
}

void LogIgnored(std::u16string_view name, std::u16string_view why)
{
    CLog_File::AddLogLine(u"settings: value \"" + std::u16string(name) + u"\" ignored: " +
                          std::u16string(why));
}

// The download folders hold host paths ending in "/". A stored folder that exists is kept; anything
// else falls back to the device's special folder for that kind of file, created when missing.
std::u16string NormaliseFolder(const std::u16string& stored, SpecialFolder fallback)
{
    std::u16string folder = stored;
    std::error_code error;
    if (folder.size() <= 2 ||
        !std::filesystem::is_directory(std::filesystem::path(Utf16ToUtf8(folder)), error))
        folder = Utf8ToUtf16(CDevicePaths::Special(fallback, true).native());
    // Separators first, so that a folder ending in "\" does not end up with "//".
    std::replace(folder.begin(), folder.end(), u'\\', u'/');
    if (folder.empty() || folder.back() != u'/')
        folder += u'/';
    return folder;
}

} // namespace

CReg_Api* CReg_Api::GetInstanceReg()
{
    // Once made, the object is handed out without taking the mutex: a caller that holds the record's
    // lock may ask for it again, while its making takes the record's lock under the mutex.
    if (CReg_Api* instance = s_instance.load(std::memory_order_acquire))
        return instance;
    std::lock_guard lock(s_instanceMutex);
    if (!s_instance.load(std::memory_order_relaxed))
        s_instance.store(new CReg_Api(), std::memory_order_release);
    return s_instance.load(std::memory_order_relaxed);
}

void CReg_Api::Release()
{
    std::lock_guard lock(s_instanceMutex);
    delete s_instance.exchange(nullptr);
}

CReg_Api::CReg_Api()
{
    // The record's initialisers are the defaults; a key that cannot be opened leaves them in place.
    if (CRegistry::CreateKey(RegRoot::CurrentUser, kSettingsKey, m_key) != RegStatus::Ok)
        CLog_File::AddLogLine(u"settings: the key \"Software\\Orvane\\Settings\" cannot be opened");
    UpdateRegistry();
}

_SETTINGS_DEF CReg_Api::Snapshot() const
{
    return m_settings.With([](const _SETTINGS_DEF& settings) { return settings; });
}

std::u16string CReg_Api::Get(std::u16string _SETTINGS_DEF::*field) const
{
    return m_settings.With([field](const _SETTINGS_DEF& settings) { return settings.*field; });
}

std::int32_t CReg_Api::Get(std::int32_t _SETTINGS_DEF::*field) const
{
    return m_settings.With([field](const _SETTINGS_DEF& settings) { return settings.*field; });
}

void CReg_Api::Set(std::u16string _SETTINGS_DEF::*field, std::u16string_view value)
{
    m_settings.With([&](_SETTINGS_DEF& settings) { settings.*field = value; });
}

void CReg_Api::Set(std::int32_t _SETTINGS_DEF::*field, std::int32_t value)
{
    m_settings.With([&](_SETTINGS_DEF& settings) { settings.*field = value; });
}

bool CReg_Api::HasKeys() const
{
    return m_settings.With(
        [](const _SETTINGS_DEF& settings) { return !settings.Ukey.empty() && !settings.QX_key.empty(); });
}

void CReg_Api::UpdateRegistry()
{
    m_settings.With([this](_SETTINGS_DEF& settings) { Reload(settings); });
}

void CReg_Api::Reload(_SETTINGS_DEF& settings)
{
    for (const SettingDescriptor& setting : AllSettings()) {
        if (setting.name == kNotRead)
            continue;
        RegValue value;
        const bool present = m_key.QueryValue(setting.name, value) == RegStatus::Ok;
        if (setting.integer) {
            const std::optional<std::uint32_t> number = present ? DwordOf(value) : std::nullopt;
            if (number) {
                settings.*setting.integer = static_cast<std::int32_t>(*number);
                continue;
            }
            if (present)
                LogIgnored(setting.name, u"not a 4-byte REG_DWORD");
            if (const auto reset = ValueWhenInvalid(setting.name))
                settings.*setting.integer = *reset;
            continue;
        }
        static_assert(kMaxSettingTextChars + 1 == kMaxRegTextChars, "a setting keeps what is read back");
        const std::optional<std::u16string> text = present ? TextOf(value, kMaxRegTextChars) : std::nullopt;
        if (text)
            settings.*setting.text = *text;
        else if (present)
            LogIgnored(setting.name, u"not a terminated string of at most 259 characters");
    }

    for (const DownloadFolder& folder : kDownloadFolders) {
        std::u16string& field = settings.*folder.field;
        field = NormaliseFolder(field, folder.fallback);
        m_key.SetString(folder.name, field);
    }
}

int CReg_Api::SaveSettings()
{
    m_settings.With([this](const _SETTINGS_DEF& settings) { Save(settings); });
    return 1;
}

void CReg_Api::Save(const _SETTINGS_DEF& settings)
{
    for (const SettingDescriptor& setting : AllSettings()) {
        if (setting.name == kNotRead || setting.name == kNotWritten)
            continue;
        if (setting.integer)
            m_key.SetDword(setting.name, static_cast<std::uint32_t>(settings.*setting.integer));
        else
            m_key.SetString(setting.name, settings.*setting.text);
    }
}
