#include "core/CStorage.h"

#include "service/BrandingTexts.h"

namespace {

std::u16string _SETTINGS_DEF::*FolderSetting(MediaKind kind)
{
    switch (kind) {
    case MediaKind::Images:
        return &_SETTINGS_DEF::Image_Download_Dir;
    case MediaKind::Video:
        return &_SETTINGS_DEF::Video_Download_Dir;
    case MediaKind::Audio:
        return &_SETTINGS_DEF::Audio_Download_Dir;
    case MediaKind::Other:
        break;
    }
    return &_SETTINGS_DEF::Other_Download_Dir;
}

std::size_t IndexOf(MediaKind kind)
{
    return static_cast<std::size_t>(kind);
}

} // namespace

int CStorage::FolderLabelText(MediaKind kind)
{
    return kTextImagesFolder + static_cast<int>(IndexOf(kind));
}

CStorage::CStorage(const _SETTINGS_DEF& settings) : m_memory(ReadMemoryChoice(settings))
{
    for (MediaKind kind : kMediaKinds)
        m_folders[IndexOf(kind)] = settings.*FolderSetting(kind);
}

const std::u16string& CStorage::Folder(MediaKind kind) const
{
    return m_folders[IndexOf(kind)];
}

void CStorage::ChooseFolder(MediaKind kind, std::u16string_view folder)
{
    if (folder.empty())
        return;
    std::u16string stored(folder);
    for (char16_t& c : stored) {
        if (c == u'\\')
            c = u'/';
    }
    if (stored.back() != u'/')
        stored += u'/';
    m_folders[IndexOf(kind)] = std::move(stored);
}

bool CStorage::Apply(_SETTINGS_DEF& settings) const
{
    bool changed = ApplyMemoryChoice(settings, m_memory);
    for (MediaKind kind : kMediaKinds)
        changed = ChangeSetting(settings.*FolderSetting(kind), m_folders[IndexOf(kind)]) || changed;
    return changed;
}
