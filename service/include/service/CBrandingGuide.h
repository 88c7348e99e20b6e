#pragma once
// The user-interface texts: entries 1 to 200 of the branding table, loaded once from a ".brd" file in
// the user's language, and entry 201, the locale tag sent as "accept-language".
//
// Files are looked for, in this order, as "<ll>-<CC>.brd", "<ll>.brd" and "english.brd" in the program
// folder, then in the installed data folder (see CBrandingGuide.cpp). Entries the file does not set
// read "undefined".

#include <string>

inline constexpr int kBrandingEntries = 202;
inline constexpr int kBrandingLocaleTag = 201;

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
