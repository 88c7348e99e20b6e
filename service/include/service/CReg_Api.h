#pragma once
// The client's configuration: 74 values kept in memory in one record and in the registry under
// "Software\Orvane\Settings".
//
// One object per process (GetInstanceReg/Release). Callers change fields and call SaveSettings right
// after; UpdateRegistry reloads the record from the registry.
//
// Threads: the push handler runs on the user-interface thread and stores keys and the user id, then
// saves, while a flow on the worker thread reads those keys after each wait and writes other values
// (retry counter, configuration version, user id). So the record is reachable only under its lock:
// GetSettingsInstance() is a handle that holds the lock while it lives (use it within one expression,
// as in GetSettingsInstance()->URL, and copy what you keep), Get/Set take it for one field, and
// SaveSettings and UpdateRegistry hold it for their whole run. A save never reads a field half-written
// and a reload never overwrites a key stored meanwhile. The lock is recursive, so a Get inside an
// expression that holds a handle does not block its own thread.

#include "platform/Registry.h"
#include "utils/Guarded.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

// Field names are the registry value names with "-" written as "_".
struct _SETTINGS_DEF {
    std::int32_t Sync_Period = 7;
    std::int32_t Sync_Contacts = 1;
    std::int32_t Sync_Contacts_Auto = 0;
    std::int32_t Sync_Events = 1;
    std::int32_t Sync_Sms = 0;
    std::int32_t Sync_Images = 1;
    std::int32_t Sync_Video = 0;
    std::int32_t Sync_Audio = 0;
    std::int32_t Sync_Other = 0;
    std::int32_t Sync_Direction_Contacts = 1;
    std::int32_t Sync_Direction_Events = 1;
    std::int32_t Sync_Direction_Images = 1;
    std::int32_t Sync_Direction_Video = 1;
    std::int32_t Sync_Direction_Audio = 1;
    std::int32_t Sync_Direction_Other = 1;
    std::int32_t Sync_Memory = 1;
    std::int32_t Sync_Card = 1;
    std::u16string URL;
    std::u16string UserId;
    std::u16string Password;
    std::u16string Image_Download_Dir;
    std::u16string Video_Download_Dir;
    std::u16string Audio_Download_Dir;
    std::u16string Other_Download_Dir;
    std::u16string Ukey;
    std::u16string QX_key;
    std::int32_t SettingsRettrived = 0;
    std::u16string Extensions_Image;
    std::u16string Extensions_Video;
    std::u16string Extensions_Audio;
    std::u16string Extensions_Other;
    std::int32_t Stop_On_Quota = 0;
    std::int32_t Enable_Settings = 1;
    std::int32_t Enable_Mark_All = 0;
    std::int32_t Enable_Sort = 0;
    std::int32_t Max_File_Size = 512000;
    std::int32_t Show_Splash = 0;
    std::int32_t Identification_Timeout = 0;
    std::int32_t Calendar_Timeframe_Back = 0;
    std::int32_t Calendar_Timeframe_Fwd = 0;
    std::int32_t Calendar_History = 0;
    std::int32_t qWave2_0 = 0;
    std::int32_t Enable_Sync = 1;
    std::int32_t Enable_SyncCalendar = 1;
    std::int32_t Enable_Backup = 1;
    std::int32_t Enable_Restore = 1;
    std::int32_t Enable_ManualUpload = 1;
    std::int32_t Enable_ManualDownload = 1;
    std::int32_t Manual_Authentication = 0;
    std::int32_t Connector_Timeout = 0;
    std::int32_t Copy_Retries = 0;
    std::int32_t Splash_Count = 0;
    std::int32_t Enable_Sync_Folders = 1;
    std::int32_t Enable_Sync_Contacts = 1;
    std::int32_t Enable_Sync_Events = 1;
    std::int32_t Enable_Sync_Messages = 1;
    std::int32_t Enable_Auto_Contact = 1;
    std::int32_t Enable_Scheduler = 1;
    std::u16string Content_Type;
    std::int32_t Debug_Level = 0;
    std::int32_t Display_Permissions = 0;
    std::int32_t Packet_Size = 0;
    std::u16string Protocol_Version;
    std::int32_t Disable_Daily_Sync = 0;
    std::u16string Config_Version;
    std::int32_t Retry_Number = 0;
    std::u16string ExpectCIR; // in memory only
    std::u16string Sync_Timeframe;
    std::int32_t All_Contacts = 0;
    std::int32_t All_Appointments = 0;
    std::int32_t All_Tasks = 0;
    std::u16string Forbidden_Folders; // read, never written back
    std::int32_t File_Chunk_Size = 0;
    std::int32_t File_Download_Chunk_Size = 0;
};

// One row of the settings table: the registry value name and where the value lives in the record.
struct SettingDescriptor {
    const char16_t* name;
    std::int32_t _SETTINGS_DEF::*integer; // set for integer values
    std::u16string _SETTINGS_DEF::*text;  // set for text values
};

// The 74 values in table order.
const SettingDescriptor* SettingsTable(std::size_t& count);
// The row of that registry value name (exact spelling), or null.
const SettingDescriptor* FindSetting(std::u16string_view name);

inline constexpr const char16_t* kSettingsKey = u"Software\\Orvane\\Settings";
// The longest text a setting keeps: the settings are read back with at most 260 characters, the
// terminator included, and a longer text would be dropped at the next start.
inline constexpr std::size_t kMaxSettingTextChars = 259;

class CReg_Api {
public:
    static CReg_Api* GetInstanceReg();
    static void Release();

    using LockedSettings = CGuarded<_SETTINGS_DEF, std::recursive_mutex>::Locked;
    // The record, locked while the handle lives.
    LockedSettings GetSettingsInstance() { return m_settings.Lock(); }
    // Runs f on the record under its lock and returns what f returns (a change of several fields).
    template <typename F>
    decltype(auto) WithSettings(F&& f)
    {
        return m_settings.With(std::forward<F>(f));
    }
    // A copy of the whole record, taken under the lock.
    _SETTINGS_DEF Snapshot() const;
    // One field under the record's lock.
    std::u16string Get(std::u16string _SETTINGS_DEF::*field) const;
    std::int32_t Get(std::int32_t _SETTINGS_DEF::*field) const;
    void Set(std::u16string _SETTINGS_DEF::*field, std::u16string_view value);
    void Set(std::int32_t _SETTINGS_DEF::*field, std::int32_t value);
    // Whether both the user key and the device key are set (the handset is registered).
    bool HasKeys() const;
    // Reloads every field that has a valid registry value; normalises and writes back the four
    // download folders.
    void UpdateRegistry();
    // Writes the record (all but "ExpectCIR" and "Forbidden-Folders"); individual write failures are
    // ignored. Returns 1.
    int SaveSettings();

private:
    CReg_Api();
    // Both run under the record's lock, on the record it hands them.
    void Reload(_SETTINGS_DEF& settings);
    void Save(const _SETTINGS_DEF& settings);

    CRegKey m_key; // closed when the key could not be opened; used under the record's lock only
    CGuarded<_SETTINGS_DEF, std::recursive_mutex> m_settings;
};
