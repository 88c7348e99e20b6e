#pragma once
// The settings dialog's choices: what is synchronised (contacts, calendar, text messages), the media
// choice of each kind of file, the automatic sync period, and the storage dialog reached from it.
// A copy of the settings taken when the dialog opens; the settings change only when the caller
// applies it. The settings dialog and its storage dialog show help text 167 under title text 12.
// User-interface thread only.

#include "core/CStorage.h"
#include "core/SettingsChoices.h"

#include <optional>
#include <vector>

class CSynchronization {
public:
    enum class Box : std::uint8_t { Contacts, Calendar, Sms };
    // Check box labels: texts 124, 89, 125.
    static int BoxLabelText(Box box);
    // Media combo labels: texts 126 to 129.
    static int MediaLabelText(MediaKind kind);

    explicit CSynchronization(const _SETTINGS_DEF& settings);

    // Hidden boxes and combos (by the "Enable-Sync-..." and "Enable-Scheduler" settings) keep the
    // values they were loaded with.
    bool IsVisible(Box box) const;
    bool AreMediaVisible() const { return m_foldersEnabled; }
    bool IsPeriodVisible() const { return m_schedulerEnabled; }

    bool IsTicked(Box box) const;
    void SetTicked(Box box, bool ticked);
    MediaChoice Media(MediaKind kind) const;
    void SetMedia(MediaKind kind, MediaChoice choice);
    const std::vector<PeriodEntry>& Periods() const { return m_periods; }
    std::size_t Period() const { return m_period; }
    // Ignored past the end of Periods().
    void SetPeriod(std::size_t entry);

    // The storage command: a storage dialog to run, or nothing while "Enable-Sync-Folders" is 0.
    std::optional<CStorage> StorageCommand() const;
    // The storage dialog ended with OK: its choices are applied with this dialog's.
    void AcceptStorage(const CStorage& storage) { m_acceptedStorage = storage; }

    // Writes every choice into the record (the accepted storage dialog's first); true when a
    // setting changed. Without period entries the period is left as it is.
    bool Apply(_SETTINGS_DEF& settings) const;

private:
    bool m_ticks[3];
    bool m_visible[3];
    bool m_foldersEnabled;
    bool m_schedulerEnabled;
    MediaChoice m_media[4];
    std::vector<PeriodEntry> m_periods;
    std::size_t m_period = 0;
    CStorage m_storage;
    std::optional<CStorage> m_acceptedStorage;
};
