#include "data/MediaKinds.h"

#include "utils/AsciiFold.h"

namespace {

constexpr std::array<std::string_view, 4> kSettingNames = {"Extensions-Image", "Extensions-Video",
                                                           "Extensions-Audio", "Extensions-Other"};
constexpr std::array<const char*, 4> kWords = {"image", "video", "audio", "other"};

} // namespace

MediaExtensions MediaExtensionsOf(std::span<const SettingValue> settings)
{
    MediaExtensions extensions;
    for (const SettingValue& setting : settings) {
        for (std::size_t kind = 0; kind < kSettingNames.size(); ++kind) {
            if (setting.name == kSettingNames[kind])
                extensions.lists[kind] = setting.value;
        }
    }
    return extensions;
}

std::optional<MediaKind> MediaKindOf(std::string_view name, const MediaExtensions& extensions)
{
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string extension = FoldAscii(name.substr(dot + 1));
    for (std::size_t kind = 0; kind < extensions.lists.size(); ++kind) {
        if (extensions.lists[kind].find(extension) != std::string::npos)
            return static_cast<MediaKind>(kind);
    }
    return std::nullopt;
}

const char* MediaKindWord(MediaKind kind)
{
    return kWords[static_cast<std::size_t>(kind)];
}
