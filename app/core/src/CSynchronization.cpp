#include "core/CSynchronization.h"

#include "service/BrandingTexts.h"

namespace {

std::size_t IndexOf(CSynchronization::Box box)
{
    return static_cast<std::size_t>(box);
}

std::size_t IndexOf(MediaKind kind)
{
    return static_cast<std::size_t>(kind);
}

} // namespace

int CSynchronization::BoxLabelText(Box box)
{
    constexpr int kTexts[] = {kTextContacts, kTextCalendarSync, kTextMessages};
    return kTexts[IndexOf(box)];
}

int CSynchronization::MediaLabelText(MediaKind kind)
{
    return kTextImagesSync + static_cast<int>(IndexOf(kind));
}

CSynchronization::CSynchronization(const _SETTINGS_DEF& settings)
    : m_ticks{settings.Sync_Contacts != 0, settings.Sync_Events != 0, settings.Sync_Sms != 0},
      m_visible{settings.Enable_Sync_Contacts != 0, settings.Enable_Sync_Events != 0,
                settings.Enable_Sync_Messages != 0},
      m_foldersEnabled(settings.Enable_Sync_Folders != 0), m_schedulerEnabled(settings.Enable_Scheduler != 0),
      m_media{ReadMediaChoice(settings, MediaKind::Images), ReadMediaChoice(settings, MediaKind::Video),
              ReadMediaChoice(settings, MediaKind::Audio), ReadMediaChoice(settings, MediaKind::Other)},
      m_periods(PeriodEntries(settings.Sync_Timeframe)),
      m_period(SelectedPeriod(m_periods, settings.Sync_Period)), m_storage(settings)
{}

bool CSynchronization::IsVisible(Box box) const
{
    return m_visible[IndexOf(box)];
}

bool CSynchronization::IsTicked(Box box) const
{
    return m_ticks[IndexOf(box)];
}

void CSynchronization::SetTicked(Box box, bool ticked)
{
    m_ticks[IndexOf(box)] = ticked;
}

MediaChoice CSynchronization::Media(MediaKind kind) const
{
    return m_media[IndexOf(kind)];
}

void CSynchronization::SetMedia(MediaKind kind, MediaChoice choice)
{
    m_media[IndexOf(kind)] = choice;
}

void CSynchronization::SetPeriod(std::size_t entry)
{
    if (entry < m_periods.size())
        m_period = entry;
}

std::optional<CStorage> CSynchronization::StorageCommand() const
{
    if (!m_foldersEnabled)
        return std::nullopt;
    return m_acceptedStorage ? *m_acceptedStorage : m_storage;
}

bool CSynchronization::Apply(_SETTINGS_DEF& settings) const
{
    bool changed = m_acceptedStorage && m_acceptedStorage->Apply(settings);
    changed = ChangeSetting(settings.Sync_Contacts, m_ticks[0] ? 1 : 0) || changed;
    changed = ChangeSetting(settings.Sync_Events, m_ticks[1] ? 1 : 0) || changed;
    changed = ChangeSetting(settings.Sync_Sms, m_ticks[2] ? 1 : 0) || changed;
    if (!m_periods.empty())
        changed = ChangeSetting(settings.Sync_Period, m_periods[m_period].days) || changed;
    for (MediaKind kind : kMediaKinds)
        changed = ApplyMediaChoice(settings, kind, m_media[IndexOf(kind)]) || changed;
    return changed;
}
