#pragma once
// The kind of a media file, found as handsets find it: the name's extension after its last ".",
// lower-cased, found anywhere in the kind's extension list ("jpg" is found in "jpg;jpeg", and so is
// "pg"), the kinds tried in the order image, video, audio, other. The lists are the account's settings
// "Extensions-Image", "Extensions-Video", "Extensions-Audio" and "Extensions-Other".

#include "store/AccountStore.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class MediaKind : std::uint8_t { Image, Video, Audio, Other };

struct MediaExtensions {
    std::array<std::string, 4> lists; // by MediaKind
};

MediaExtensions MediaExtensionsOf(std::span<const SettingValue> settings);
// Nothing for a name without extension or whose extension no list holds.
std::optional<MediaKind> MediaKindOf(std::string_view name, const MediaExtensions& extensions);
// "image", "video", "audio", "other".
const char* MediaKindWord(MediaKind kind);
