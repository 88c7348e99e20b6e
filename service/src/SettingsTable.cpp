#include "service/CReg_Api.h"

namespace {

constexpr SettingDescriptor Integer(const char16_t* name, std::int32_t _SETTINGS_DEF::*field)
{
    return SettingDescriptor{name, field, nullptr};
}

constexpr SettingDescriptor Text(const char16_t* name, std::u16string _SETTINGS_DEF::*field)
{
    return SettingDescriptor{name, nullptr, field};
}

// Registry value names and record fields, in the order the record and the registry key keep them.
constexpr SettingDescriptor kSettings[] = {
    Integer(u"Sync-Period", &_SETTINGS_DEF::Sync_Period),
    Integer(u"Sync-Contacts", &_SETTINGS_DEF::Sync_Contacts),
    Integer(u"Sync-Contacts-Auto", &_SETTINGS_DEF::Sync_Contacts_Auto),
    Integer(u"Sync-Events", &_SETTINGS_DEF::Sync_Events),
    Integer(u"Sync-Sms", &_SETTINGS_DEF::Sync_Sms),
    Integer(u"Sync-Images", &_SETTINGS_DEF::Sync_Images),
    Integer(u"Sync-Video", &_SETTINGS_DEF::Sync_Video),
    Integer(u"Sync-Audio", &_SETTINGS_DEF::Sync_Audio),
    Integer(u"Sync-Other", &_SETTINGS_DEF::Sync_Other),
    Integer(u"Sync-Direction-Contacts", &_SETTINGS_DEF::Sync_Direction_Contacts),
    Integer(u"Sync-Direction-Events", &_SETTINGS_DEF::Sync_Direction_Events),
    Integer(u"Sync-Direction-Images", &_SETTINGS_DEF::Sync_Direction_Images),
    Integer(u"Sync-Direction-Video", &_SETTINGS_DEF::Sync_Direction_Video),
    Integer(u"Sync-Direction-Audio", &_SETTINGS_DEF::Sync_Direction_Audio),
    Integer(u"Sync-Direction-Other", &_SETTINGS_DEF::Sync_Direction_Other),
    Integer(u"Sync-Memory", &_SETTINGS_DEF::Sync_Memory),
    Integer(u"Sync-Card", &_SETTINGS_DEF::Sync_Card),
    Text(u"URL", &_SETTINGS_DEF::URL),
    Text(u"UserId", &_SETTINGS_DEF::UserId),
    Text(u"Password", &_SETTINGS_DEF::Password),
    Text(u"Image-Download-Dir", &_SETTINGS_DEF::Image_Download_Dir),
    Text(u"Video-Download-Dir", &_SETTINGS_DEF::Video_Download_Dir),
    Text(u"Audio-Download-Dir", &_SETTINGS_DEF::Audio_Download_Dir),
    Text(u"Other-Download-Dir", &_SETTINGS_DEF::Other_Download_Dir),
    Text(u"Ukey", &_SETTINGS_DEF::Ukey),
    Text(u"QX-key", &_SETTINGS_DEF::QX_key),
    Integer(u"SettingsRettrived", &_SETTINGS_DEF::SettingsRettrived),
    Text(u"Extensions-Image", &_SETTINGS_DEF::Extensions_Image),
    Text(u"Extensions-Video", &_SETTINGS_DEF::Extensions_Video),
    Text(u"Extensions-Audio", &_SETTINGS_DEF::Extensions_Audio),
    Text(u"Extensions-Other", &_SETTINGS_DEF::Extensions_Other),
    Integer(u"Stop-On-Quota", &_SETTINGS_DEF::Stop_On_Quota),
    Integer(u"Enable-Settings", &_SETTINGS_DEF::Enable_Settings),
    Integer(u"Enable-Mark-All", &_SETTINGS_DEF::Enable_Mark_All),
    Integer(u"Enable-Sort", &_SETTINGS_DEF::Enable_Sort),
    Integer(u"Max-File-Size", &_SETTINGS_DEF::Max_File_Size),
    Integer(u"Show-Splash", &_SETTINGS_DEF::Show_Splash),
    Integer(u"Identification-Timeout", &_SETTINGS_DEF::Identification_Timeout),
    Integer(u"Calendar-Timeframe-Back", &_SETTINGS_DEF::Calendar_Timeframe_Back),
    Integer(u"Calendar-Timeframe-Fwd", &_SETTINGS_DEF::Calendar_Timeframe_Fwd),
    Integer(u"Calendar-History", &_SETTINGS_DEF::Calendar_History),
    Integer(u"qWave2_0", &_SETTINGS_DEF::qWave2_0),
    Integer(u"Enable-Sync", &_SETTINGS_DEF::Enable_Sync),
    Integer(u"Enable-SyncCalendar", &_SETTINGS_DEF::Enable_SyncCalendar),
    Integer(u"Enable-Backup", &_SETTINGS_DEF::Enable_Backup),
    Integer(u"Enable-Restore", &_SETTINGS_DEF::Enable_Restore),
    Integer(u"Enable-ManualUpload", &_SETTINGS_DEF::Enable_ManualUpload),
    Integer(u"Enable-ManualDownload", &_SETTINGS_DEF::Enable_ManualDownload),
    Integer(u"Manual-Authentication", &_SETTINGS_DEF::Manual_Authentication),
    Integer(u"Connector-Timeout", &_SETTINGS_DEF::Connector_Timeout),
    Integer(u"Copy-Retries", &_SETTINGS_DEF::Copy_Retries),
    Integer(u"Splash-Count", &_SETTINGS_DEF::Splash_Count),
    Integer(u"Enable-Sync-Folders", &_SETTINGS_DEF::Enable_Sync_Folders),
    Integer(u"Enable-Sync-Contacts", &_SETTINGS_DEF::Enable_Sync_Contacts),
    Integer(u"Enable-Sync-Events", &_SETTINGS_DEF::Enable_Sync_Events),
    Integer(u"Enable-Sync-Messages", &_SETTINGS_DEF::Enable_Sync_Messages),
    Integer(u"Enable-Auto-Contact", &_SETTINGS_DEF::Enable_Auto_Contact),
    Integer(u"Enable-Scheduler", &_SETTINGS_DEF::Enable_Scheduler),
    Text(u"Content-Type", &_SETTINGS_DEF::Content_Type),
    Integer(u"Debug-Level", &_SETTINGS_DEF::Debug_Level),
    Integer(u"Display-Permissions", &_SETTINGS_DEF::Display_Permissions),
    Integer(u"Packet-Size", &_SETTINGS_DEF::Packet_Size),
    Text(u"Protocol-Version", &_SETTINGS_DEF::Protocol_Version),
    Integer(u"Disable-Daily-Sync", &_SETTINGS_DEF::Disable_Daily_Sync),
    Text(u"Config-Version", &_SETTINGS_DEF::Config_Version),
    Integer(u"Retry-Number", &_SETTINGS_DEF::Retry_Number),
    Text(u"ExpectCIR", &_SETTINGS_DEF::ExpectCIR),
    Text(u"Sync-Timeframe", &_SETTINGS_DEF::Sync_Timeframe),
    Integer(u"All-Contacts", &_SETTINGS_DEF::All_Contacts),
    Integer(u"All-Appointments", &_SETTINGS_DEF::All_Appointments),
    Integer(u"All-Tasks", &_SETTINGS_DEF::All_Tasks),
    Text(u"Forbidden-Folders", &_SETTINGS_DEF::Forbidden_Folders),
    Integer(u"File-Chunk-Size", &_SETTINGS_DEF::File_Chunk_Size),
    Integer(u"File-Download-Chunk-Size", &_SETTINGS_DEF::File_Download_Chunk_Size),
};

} // namespace

const SettingDescriptor* SettingsTable(std::size_t& count)
{
    count = std::size(kSettings);
    return kSettings;
}

const SettingDescriptor* FindSetting(std::u16string_view name)
{
    for (const SettingDescriptor& setting : kSettings) {
        if (name == setting.name)
            return &setting;
    }
    return nullptr;
}
