#pragma once
// The user's choices as the settings dialogs show them, mapped onto the settings record: the media
// choice per kind of file, the automatic sync period and the memory choice. Each Apply function
// returns whether a setting changed; writing a value a setting already holds is no change.

#include "service/BrandingTexts.h"
#include "service/CReg_Api.h"

#include <array>
#include <string_view>
#include <vector>

enum class MediaKind : std::uint8_t { Images, Video, Audio, Other };
inline constexpr std::array<MediaKind, 4> kMediaKinds = {MediaKind::Images, MediaKind::Video,
                                                         MediaKind::Audio, MediaKind::Other};

// 0 off (text 156), 1 upload only (text 157), 2 upload and download (text 158).
enum MediaChoice : int { MEDIA_OFF = 0, MEDIA_UPLOAD = 1, MEDIA_BOTH = 2 };
inline constexpr int kMediaChoiceText[3] = {kTextMediaOff, kTextMediaUploadOnly, kTextMediaBothWays};

MediaChoice ReadMediaChoice(const _SETTINGS_DEF& settings, MediaKind kind);
bool ApplyMediaChoice(_SETTINGS_DEF& settings, MediaKind kind, MediaChoice choice);
// Both settings of the kind, "Sync-X" and "Sync-Direction-X", to 1 when ticked, else 0: a ticked kind
// is synchronised both ways.
bool ApplyMediaTick(_SETTINGS_DEF& settings, MediaKind kind, bool ticked);
bool IsMediaSynced(const _SETTINGS_DEF& settings, MediaKind kind);

// One entry of the automatic sync list.
struct PeriodEntry {
    std::int32_t days;
    int labelText;
};

// The entries offered by "Sync-Timeframe": tokens separated by ";", at most five read, ending at
// the first empty one. Tokens other than 0, 1, 7, 14 and 28 offer nothing.
std::vector<PeriodEntry> PeriodEntries(std::u16string_view timeframe);
// The entry whose days equal `period`, else the first (0 also when the list is empty).
std::size_t SelectedPeriod(const std::vector<PeriodEntry>& entries, std::int32_t period);

// 0 phone memory (text 96), 1 storage card (text 97), 2 both (text 98).
enum MemoryChoice : int { MEMORY_PHONE = 0, MEMORY_CARD = 1, MEMORY_BOTH = 2 };
inline constexpr int kMemoryChoiceText[3] = {kTextPhoneMemory, kTextStorageCard, kTextPhoneAndCard};

MemoryChoice ReadMemoryChoice(const _SETTINGS_DEF& settings);
bool ApplyMemoryChoice(_SETTINGS_DEF& settings, MemoryChoice choice);

// Writes `value` into `setting`; true when it changed.
template <typename T> bool ChangeSetting(T& setting, const T& value)
{
    if (setting == value)
        return false;
    setting = value;
    return true;
}
