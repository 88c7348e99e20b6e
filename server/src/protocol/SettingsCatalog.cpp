#include "protocol/SettingsCatalog.h"

#include "utils/Utf.h"

#include <algorithm>
#include <array>

namespace {

// The handset keeps text settings of at most 259 characters.
constexpr std::size_t kMaxValueLength = 259;
constexpr std::size_t kMaxNameLength = 64;

constexpr std::array<std::string_view, 21> kStoredNames = {
    "Sync-Period",
    "Sync-Contacts",
    "Sync-Contacts-Auto",
    "Sync-Events",
    "Sync-Sms",
    "Sync-Images",
    "Sync-Video",
    "Sync-Audio",
    "Sync-Other",
    "Sync-Direction-Contacts",
    "Sync-Direction-Events",
    "Image-Download-Dir",
    "Video-Download-Dir",
    "Audio-Download-Dir",
    "Other-Download-Dir",
    "Sync-Direction-Images",
    "Sync-Direction-Video",
    "Sync-Direction-Audio",
    "Sync-Direction-Other",
    "Sync-Memory",
    "Sync-Card",
};

} // namespace

std::vector<SettingValue> DefaultAccountSettings()
{
    return {
        // What is synchronised, and how often (days; the choices the settings screen offers).
        {"Sync-Period", "7"},
        {"Sync-Timeframe", "0;1;7;14;28"},
        {"Sync-Contacts", "true"},
        {"Sync-Contacts-Auto", "false"},
        {"Sync-Events", "true"},
        {"Sync-Sms", "false"},
        {"Sync-Images", "true"},
        {"Sync-Video", "false"},
        {"Sync-Audio", "false"},
        {"Sync-Other", "false"},
        {"Sync-Direction-Contacts", "true"},
        {"Sync-Direction-Events", "true"},
        {"Sync-Direction-Images", "true"},
        {"Sync-Direction-Video", "false"},
        {"Sync-Direction-Audio", "false"},
        {"Sync-Direction-Other", "false"},
        {"Sync-Memory", "true"},
        {"Sync-Card", "true"},
        // Media kinds by file-name extension (the handset matches an extension anywhere in the list).
        {"Extensions-Image", "jpg;jpeg;png;gif;bmp"},
        {"Extensions-Video", "3gp;mp4;avi;wmv;mov"},
        {"Extensions-Audio", "mp3;wma;wav;amr;aac;m4a"},
        {"Extensions-Other", "txt;pdf;doc;docx;xls;xlsx;ppt;pptx;zip"},
        {"Max-File-Size", "10485760"},
        {"File-Chunk-Size", "102400"},
        {"File-Download-Chunk-Size", "102400"},
        {"Stop-On-Quota", "true"},
        // Calendar window: 30 days back, a year ahead.
        {"Calendar-Timeframe-Back", "30"},
        {"Calendar-Timeframe-Fwd", "365"},
        {"Calendar-History", "30"},
        // Which operations and screens the handset offers.
        {"Enable-Settings", "true"},
        {"Enable-Sync", "true"},
        {"Enable-SyncCalendar", "true"},
        {"Enable-Backup", "true"},
        {"Enable-Restore", "true"},
        {"Enable-ManualUpload", "true"},
        {"Enable-ManualDownload", "true"},
        {"Enable-Sync-Folders", "true"},
        {"Enable-Sync-Contacts", "true"},
        {"Enable-Sync-Events", "true"},
        {"Enable-Sync-Messages", "true"},
        {"Enable-Auto-Contact", "true"},
        {"Enable-Scheduler", "true"},
        {"Enable-Mark-All", "true"},
        {"Enable-Sort", "true"},
        {"Show-Splash", "false"},
        {"Splash-Count", "0"},
        {"Disable-Daily-Sync", "false"},
        {"Manual-Authentication", "false"},
        {"Identification-Timeout", "60"},
        {"Connector-Timeout", "60"},
        {"Copy-Retries", "3"},
        {"Packet-Size", "102400"},
        {"Protocol-Version", "1.0"},
        {"Debug-Level", "0"},
    };
}

std::optional<std::string> StoredSettingProblem(std::string_view name, std::string_view value)
{
    if (std::find(kStoredNames.begin(), kStoredNames.end(), name) == kStoredNames.end())
        return "setting \"" + std::string(name.substr(0, kMaxNameLength)) + "\" is not one a handset stores";
    if (name.ends_with("-Download-Dir"))
        return SettingProblem(name, value);
    if (name == "Sync-Period") {
        const bool digits =
            !value.empty() && value.size() <= 9 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits)
            return "value of \"Sync-Period\" is \"" + std::string(value.substr(0, 32)) +
                   "\", not a number of days";
        return std::nullopt;
    }
    if (value != "true" && value != "false")
        return "value of \"" + std::string(name) + "\" is \"" + std::string(value.substr(0, 32)) +
               "\", not true or false";
    return std::nullopt;
}

std::optional<std::string> SettingProblem(std::string_view name, std::string_view value)
{
    bool nameOk = !name.empty() && name.size() <= kMaxNameLength;
    for (const char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        nameOk = nameOk && (plain || c == '-' || c == '_');
    }
    if (!nameOk)
        return "setting name \"" + std::string(name.substr(0, kMaxNameLength)) +
               "\" is not 1-64 letters, digits, - or _";
    if (!IsValidUtf8(value))
        return "value of \"" + std::string(name) + "\" is not UTF-8";
    if (Utf8ToUtf16(value).size() > kMaxValueLength)
        return "value of \"" + std::string(name) + "\" is longer than 259 characters";
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return "value of \"" + std::string(name) + "\" holds a control character";
    }
    return std::nullopt;
}
