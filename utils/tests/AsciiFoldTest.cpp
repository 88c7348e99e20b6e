// ASCII-only case folding of narrow and wide text.
#include "utils/AsciiFold.h"

#include <gtest/gtest.h>

namespace {

struct FoldCase {
    std::string narrow;
    std::u16string wide;
    std::string narrowFolded;
    std::u16string wideFolded;
};

TEST(AsciiFold, FoldsTheAsciiLettersOnly)
{
    // '@' and '[' border 'A'..'Z', '`' and '{' border 'a'..'z'; non-ASCII letters (the UTF-8 bytes
    // and the UTF-16 unit of "Ä", the Turkish dotted I) stay as they are in every locale.
    const FoldCase cases[] = {
        {"Content-Type", u"Content-Type", "content-type", u"content-type"},
        {"@AZ[`az{", u"@AZ[`az{", "@az[`az{", u"@az[`az{"},
        {"\xC3\x84x", u"\u00C4X", "\xC3\x84x", u"\u00C4x"},
        {"", u"\u0130I", "", u"\u0130i"},
    };
    for (const FoldCase& c : cases) {
        EXPECT_EQ(FoldAscii(c.narrow), c.narrowFolded) << c.narrow;
        EXPECT_EQ(FoldAscii(c.wide), c.wideFolded) << c.narrow;
    }
    static_assert(FoldAscii('Q') == 'q' && FoldAscii(u'Q') == u'q' && FoldAscii(u'\u00C4') == u'\u00C4');
}

TEST(AsciiFold, ComparesWholeTextsAndPrefixes)
{
    struct Case {
        std::string_view text;
        std::string_view other;
        bool equal;
        bool startsWith;
    };
    const Case cases[] = {
        {"HTTPS://host", "https://host", true, true},
        {"HTTPS://host", "https://", false, true},
        {"http", "https://", false, false}, // a prefix longer than the text
        {"", "", true, true},
        {"abc", "", false, true},
        {"A[", "a{", false, false}, // '[' and '{' are not a case pair
        {"\xC3\x84", "\xC3\xA4", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsFolded(c.text, c.other), c.equal) << c.text << " / " << c.other;
        EXPECT_EQ(StartsWithFolded(c.text, c.other), c.startsWith) << c.text << " / " << c.other;
        const std::u16string wideText(c.text.begin(), c.text.end());
        const std::u16string wideOther(c.other.begin(), c.other.end());
        EXPECT_EQ(EqualsFolded(wideText, wideOther), c.equal) << c.text << " / " << c.other;
        EXPECT_EQ(StartsWithFolded(wideText, wideOther), c.startsWith) << c.text << " / " << c.other;
    }
    EXPECT_FALSE(EqualsFolded(u"\u00C4", u"\u00E4"));
}

} // namespace
