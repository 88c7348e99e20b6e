#include "service/FileKinds.h"

#include "utils/AsciiFold.h"

namespace {

constexpr std::array<FileKindSettings, kFileKindCount> kKinds = {{
    {FILE_KIND_IMAGE, &_SETTINGS_DEF::Extensions_Image, &_SETTINGS_DEF::Image_Download_Dir,
     &_SETTINGS_DEF::Sync_Images},
    {FILE_KIND_VIDEO, &_SETTINGS_DEF::Extensions_Video, &_SETTINGS_DEF::Video_Download_Dir,
     &_SETTINGS_DEF::Sync_Video},
    {FILE_KIND_AUDIO, &_SETTINGS_DEF::Extensions_Audio, &_SETTINGS_DEF::Audio_Download_Dir,
     &_SETTINGS_DEF::Sync_Audio},
    {FILE_KIND_OTHER, &_SETTINGS_DEF::Extensions_Other, &_SETTINGS_DEF::Other_Download_Dir,
     &_SETTINGS_DEF::Sync_Other},
}};

} // namespace

const std::array<FileKindSettings, kFileKindCount>& FileKindTable()
{
    return kKinds;
}

CFileKindRules::CFileKindRules(const _SETTINGS_DEF& settings, const Enabled& enabled) : m_enabled(enabled)
{
    for (const FileKindSettings& kind : kKinds)
        m_extensions[kind.kind] = settings.*kind.extensions;
}

CFileKindRules::Enabled CFileKindRules::SyncedKinds(const _SETTINGS_DEF& settings)
{
    Enabled enabled{};
    for (const FileKindSettings& kind : kKinds)
        enabled[kind.kind] = settings.*kind.syncSwitch != 0;
    return enabled;
}

std::optional<FILE_KIND> CFileKindRules::KindOf(std::u16string& name) const
{
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos)
        return std::nullopt;
    for (std::size_t i = dot + 1; i < name.size(); ++i)
        name[i] = FoldAscii(name[i]);
    // An empty extension would be found in every list: such a name has no kind.
    const std::u16string_view extension = std::u16string_view(name).substr(dot + 1);
    if (extension.empty())
        return std::nullopt;
    for (const FileKindSettings& kind : kKinds) {
        if (m_enabled[kind.kind] && m_extensions[kind.kind].find(extension) != std::u16string::npos)
            return kind.kind;
    }
    return std::nullopt;
}
