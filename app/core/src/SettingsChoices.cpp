#include "core/SettingsChoices.h"

#include "service/BrandingTexts.h"

namespace {

struct MediaSettings {
    std::int32_t _SETTINGS_DEF::*sync;
    std::int32_t _SETTINGS_DEF::*direction;
};

MediaSettings SettingsOf(MediaKind kind)
{
    switch (kind) {
    case MediaKind::Images:
        return {&_SETTINGS_DEF::Sync_Images, &_SETTINGS_DEF::Sync_Direction_Images};
    case MediaKind::Video:
        return {&_SETTINGS_DEF::Sync_Video, &_SETTINGS_DEF::Sync_Direction_Video};
    case MediaKind::Audio:
        return {&_SETTINGS_DEF::Sync_Audio, &_SETTINGS_DEF::Sync_Direction_Audio};
    case MediaKind::Other:
        break;
    }
    return {&_SETTINGS_DEF::Sync_Other, &_SETTINGS_DEF::Sync_Direction_Other};
}

struct KnownPeriod {
    std::u16string_view token;
    PeriodEntry entry;
};

constexpr KnownPeriod kKnownPeriods[] = {
    {u"0", {0, kTextNever}},           {u"1", {1, kTextDaily}},           {u"7", {7, kTextWeekly}},
    {u"14", {14, kTextEveryTwoWeeks}}, {u"28", {28, kTextEveryFourWeeks}},
};

constexpr std::size_t kMaxPeriodTokens = 5;

} // namespace

MediaChoice ReadMediaChoice(const _SETTINGS_DEF& settings, MediaKind kind)
{
    const MediaSettings pair = SettingsOf(kind);
    if (settings.*pair.sync == 0)
        return MEDIA_OFF;
    if (settings.*pair.sync == 1 && settings.*pair.direction == 0)
        return MEDIA_UPLOAD;
    return MEDIA_BOTH;
}

bool ApplyMediaChoice(_SETTINGS_DEF& settings, MediaKind kind, MediaChoice choice)
{
    const MediaSettings pair = SettingsOf(kind);
    const bool syncChanged = ChangeSetting(settings.*pair.sync, choice == MEDIA_OFF ? 0 : 1);
    const bool directionChanged = ChangeSetting(settings.*pair.direction, choice == MEDIA_BOTH ? 1 : 0);
    return syncChanged || directionChanged;
}

bool ApplyMediaTick(_SETTINGS_DEF& settings, MediaKind kind, bool ticked)
{
    const MediaSettings pair = SettingsOf(kind);
    const bool syncChanged = ChangeSetting(settings.*pair.sync, ticked ? 1 : 0);
    const bool directionChanged = ChangeSetting(settings.*pair.direction, ticked ? 1 : 0);
    return syncChanged || directionChanged;
}

bool IsMediaSynced(const _SETTINGS_DEF& settings, MediaKind kind)
{
    return settings.*SettingsOf(kind).sync != 0;
}

// An unknown token offers no entry and takes no place in the list, so the entry the user picks is
// always the period that gets stored.
std::vector<PeriodEntry> PeriodEntries(std::u16string_view timeframe)
{
    std::vector<PeriodEntry> entries;
    std::size_t start = 0;
    for (std::size_t read = 0; read < kMaxPeriodTokens && start <= timeframe.size(); ++read) {
        const std::size_t end = std::min(timeframe.find(u';', start), timeframe.size());
        const std::u16string_view token = timeframe.substr(start, end - start);
        if (token.empty())
            break;
        for (const KnownPeriod& known : kKnownPeriods) {
            if (token == known.token)
                entries.push_back(known.entry);
        }
        start = end + 1;
    }
    return entries;
}

std::size_t SelectedPeriod(const std::vector<PeriodEntry>& entries, std::int32_t period)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].days == period)
            return i;
    }
    return 0;
}

MemoryChoice ReadMemoryChoice(const _SETTINGS_DEF& settings)
{
    if (settings.Sync_Memory == 1 && settings.Sync_Card == 0)
        return MEMORY_PHONE;
    if (settings.Sync_Memory == 0 && settings.Sync_Card == 1)
        return MEMORY_CARD;
    return MEMORY_BOTH;
}

bool ApplyMemoryChoice(_SETTINGS_DEF& settings, MemoryChoice choice)
{
    const bool memoryChanged = ChangeSetting(settings.Sync_Memory, choice == MEMORY_CARD ? 0 : 1);
    const bool cardChanged = ChangeSetting(settings.Sync_Card, choice == MEMORY_PHONE ? 0 : 1);
    return memoryChanged || cardChanged;
}
