#pragma once
// The user-interface texts: entries 1 to 200 of the branding table, loaded once from a ".brd" file in
// the user's language, and entry 201, the locale tag sent as "accept-language".
//
// The locale comes from LC_ALL, LC_MESSAGES or LANG ("de_DE.UTF-8": "de" and "DE"; "C", "POSIX" or
// none: "en" and "us"); the tag is "de-de" (only "de" when the locale names no country). Files are
// looked for as "<ll>-<CC>.brd", "<ll>.brd" and "english.brd" (names in the locale's case) in the
// program folder, then in the folder named by LUMENO_BRANDING_DIR when it is set, otherwise in the
// installed data folder and the source tree's data folder. Lines are "key=text", keys 1 to 200, "\n"
// in a text is a line break (CR LF); entries the file does not set read "undefined". Thread-safe.

#include <array>
#include <string>
#include <string_view>

inline constexpr int kBrandingEntries = 202;
inline constexpr int kBrandingLocaleTag = 201;

using BrandingTexts = std::array<std::u16string, kBrandingEntries>;

// The texts of a branding file (UTF-8, a byte order mark allowed): entry N is the text of its "N=text"
// line for N from 1 to 200, "\n" in it a line break (CR LF); empty where the file sets none. Other
// lines are ignored; nothing fails.
BrandingTexts ReadBrandingTexts(std::string_view bytes);

class CBrandingGuide {
public:
    // The table (index by text number), or null when no branding file could be read.
    static const std::u16string* GetInstanceBranding();
    // The locale tag (entry 201), available even when no file was found.
    static std::u16string LocaleTag();
    static void Release();
};

// Text N of the table, or "" when there is no table (for callers that must show something).
std::u16string BrandingText(int number);
