#include "core/CWizard.h"

#include "core/SettingsChoices.h"
#include "service/BrandingTexts.h"

namespace {

std::size_t IndexOf(CWizard::Box box)
{
    return static_cast<std::size_t>(box);
}

constexpr MediaKind kMediaOfBox[] = {MediaKind::Images, MediaKind::Video, MediaKind::Audio, MediaKind::Other};

} // namespace

int CWizard::LabelText(Box box)
{
    constexpr int kTexts[] = {kTextContacts, kTextCalendarSync, kTextMessages, kTextImages,
                              kTextVideos,   kTextMusic,        kTextOtherFiles};
    return kTexts[IndexOf(box)];
}

CWizard::CWizard(const _SETTINGS_DEF& settings)
{
    const bool folders = settings.Enable_Sync_Folders != 0;
    m_visible = {settings.Enable_Sync_Contacts != 0,
                 settings.Enable_Sync_Events != 0,
                 settings.Enable_Sync_Messages != 0,
                 folders,
                 folders,
                 folders,
                 folders};
    m_ticks = {settings.Sync_Contacts != 0,
               settings.Sync_Events != 0,
               settings.Sync_Sms != 0,
               IsMediaSynced(settings, MediaKind::Images),
               IsMediaSynced(settings, MediaKind::Video),
               IsMediaSynced(settings, MediaKind::Audio),
               IsMediaSynced(settings, MediaKind::Other)};
}

bool CWizard::IsVisible(Box box) const
{
    return m_visible[IndexOf(box)];
}

bool CWizard::IsTicked(Box box) const
{
    return m_ticks[IndexOf(box)];
}

void CWizard::SetTicked(Box box, bool ticked)
{
    m_ticks[IndexOf(box)] = ticked;
}

bool CWizard::Apply(_SETTINGS_DEF& settings) const
{
    bool changed = ChangeSetting(settings.Sync_Contacts, m_ticks[0] ? 1 : 0);
    changed = ChangeSetting(settings.Sync_Events, m_ticks[1] ? 1 : 0) || changed;
    changed = ChangeSetting(settings.Sync_Sms, m_ticks[2] ? 1 : 0) || changed;
    for (std::size_t i = 0; i < 4; ++i)
        changed = ApplyMediaTick(settings, kMediaOfBox[i], m_ticks[IndexOf(Box::Images) + i]) || changed;
    return changed;
}
