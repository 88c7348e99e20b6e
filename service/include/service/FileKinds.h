#pragma once
// The four kinds of files and the settings of each: the extension list that sorts a file into it,
// the folder its downloads go to, and its sync switch.

#include "service/CReg_Api.h"
#include "service/FileObject.h"

#include <array>
#include <optional>
#include <string>

struct FileKindSettings {
    FILE_KIND kind;
    std::u16string _SETTINGS_DEF::*extensions;     // "Extensions-Image", ...
    std::u16string _SETTINGS_DEF::*downloadFolder; // "Image-Download-Dir", ... (a host path ending in "/")
    std::int32_t _SETTINGS_DEF::*syncSwitch;       // "Sync-Images", ...
};

// In kind order: image, video, audio, other.
const std::array<FileKindSettings, kFileKindCount>& FileKindTable();

// Sorts file names into kinds by their extension, over the kinds it enables.
class CFileKindRules {
public:
    using Enabled = std::array<bool, kFileKindCount>;
    static constexpr Enabled kAllKinds = {true, true, true, true};

    CFileKindRules(const _SETTINGS_DEF& settings, const Enabled& enabled);
    // The kinds whose sync switch is on.
    static Enabled SyncedKinds(const _SETTINGS_DEF& settings);

    // Lower-cases the extension of `name` (after its last ".") in place, then gives the first enabled
    // kind, in kind order, whose extension list contains the extension as a substring ("pg" is an
    // image when the list holds "jpg"). Nothing without a dot, with an empty extension, or when no
    // enabled kind matches.
    std::optional<FILE_KIND> KindOf(std::u16string& name) const;

private:
    std::array<std::u16string, kFileKindCount> m_extensions;
    Enabled m_enabled;
};
