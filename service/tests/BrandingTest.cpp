#include "ServiceFixture.h"

#include "platform/DevicePaths.h"

namespace {

class BrandingTest : public ServiceFixture {
protected:
    std::filesystem::path ProgramFolder() const { return CDevicePaths::ProgramFolder(); }
    std::filesystem::path BrandingFolder() const { return Root() / "branding"; }

    // Each test states its locale; the branding folder replaces the installed ones, so only the
    // files a test writes exist.
    ScopedEnv m_all{"LC_ALL", std::nullopt};
    ScopedEnv m_messages{"LC_MESSAGES", std::nullopt};
    ScopedEnv m_lang{"LANG", "de_DE.UTF-8"};
    ScopedEnv m_folder{"LUMENO_BRANDING_DIR", (std::filesystem::temp_directory_path() / "unused").string()};

    void UseBrandingFolder() { ::setenv("LUMENO_BRANDING_DIR", BrandingFolder().c_str(), 1); }
};

} // namespace

TEST_F(BrandingTest, ReadsEntriesByNumber)
{
    UseBrandingFolder();
    WriteFile(BrandingFolder() / "english.brd", "\xEF\xBB\xBF"
                                                "1=First\n"
                                                "12=two\\nlines\n"
                                                "250=out of range\n"
                                                "0=zero\n"
                                                "no equals sign\n"
                                                "5=early\n"
                                                "5=later wins\r\n"
                                                " 7 =padded key\n"
                                                "x=not a number\n"
                                                "8=a=b\n"
                                                "200=last\n"
                                                "9=\n"
                                                "201=not the tag");
    const std::u16string* table = CBrandingGuide::GetInstanceBranding();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[1], u"First");
    EXPECT_EQ(table[12], u"two\r\nlines");
    EXPECT_EQ(table[5], u"later wins");
    EXPECT_EQ(table[7], u"padded key");
    EXPECT_EQ(table[8], u"a=b");
    EXPECT_EQ(table[200], u"last");
    EXPECT_EQ(table[9], u"undefined");
    EXPECT_EQ(table[0], u"");
    EXPECT_EQ(table[kBrandingLocaleTag], u"de-de");
    EXPECT_EQ(BrandingText(12), u"two\r\nlines");
    EXPECT_EQ(BrandingText(250), u"");
}

TEST_F(BrandingTest, AFileWithOnlyEntryFiveLeavesEveryOtherEntryUndefined)
{
    UseBrandingFolder();
    WriteFile(BrandingFolder() / "de.brd", "5=Five\r\n");
    const std::u16string* table = CBrandingGuide::GetInstanceBranding();
    ASSERT_NE(table, nullptr);
    for (int number = 1; number <= 200; ++number)
        EXPECT_EQ(table[number], number == 5 ? u"Five" : u"undefined") << number;
}

TEST_F(BrandingTest, FilesAreTriedByLocaleInEachFolderInTurn)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::filesystem::path, std::string>>
            files; // folder-relative: p = program, b = branding
        const char16_t* expected;
    };
    const Case cases[] = {
        {"language and country first",
         {{"p/english.brd", "1=en"}, {"p/de.brd", "1=de"}, {"p/de-DE.brd", "1=de-DE"}},
         u"de-DE"},
        {"then the language", {{"p/english.brd", "1=en"}, {"p/de.brd", "1=de"}}, u"de"},
        {"then english", {{"p/english.brd", "1=en"}, {"p/fr.brd", "1=fr"}}, u"en"},
        {"names keep the locale's case", {{"p/de-de.brd", "1=lower"}, {"p/english.brd", "1=en"}}, u"en"},
        {"program folder before the branding folder",
         {{"b/de-DE.brd", "1=b"}, {"p/english.brd", "1=p"}},
         u"p"},
        {"branding folder when the program folder has none", {{"b/de.brd", "1=b"}}, u"b"},
    };
    for (const Case& c : cases) {
        ReleaseEverything();
        std::filesystem::remove_all(ProgramFolder());
        std::filesystem::remove_all(BrandingFolder());
        UseBrandingFolder();
        for (const auto& [file, content] : c.files) {
            const auto folder = file.begin()->string() == "p" ? ProgramFolder() : BrandingFolder();
            WriteFile(folder / file.filename(), content);
        }
        EXPECT_EQ(BrandingText(1), c.expected) << c.what;
    }
}

TEST_F(BrandingTest, TheLocaleTagComesFromTheEnvironment)
{
    struct Case {
        std::optional<std::string> all;
        std::optional<std::string> lang;
        const char16_t* tag;
        const char* file; // the first name tried
    };
    const Case cases[] = {
        {std::nullopt, "de_DE.UTF-8", u"de-de", "de-DE.brd"},
        {"fr_CA.ISO-8859-1@x", "de_DE.UTF-8", u"fr-ca", "fr-CA.brd"},
        {std::nullopt, "C", u"en-us", "en-us.brd"},
        {std::nullopt, "C.UTF-8", u"en-us", "en-us.brd"},
        {std::nullopt, "POSIX", u"en-us", "en-us.brd"},
        {std::nullopt, std::nullopt, u"en-us", "en-us.brd"},
        {"", "pt_BR", u"pt-br", "pt-BR.brd"},
        {std::nullopt, "nl", u"nl", "nl.brd"},
    };
    for (const Case& c : cases) {
        ReleaseEverything();
        std::filesystem::remove_all(BrandingFolder());
        UseBrandingFolder();
        ScopedEnv all("LC_ALL", c.all);
        ScopedEnv lang("LANG", c.lang);
        WriteFile(BrandingFolder() / c.file, "3=found");
        EXPECT_EQ(CBrandingGuide::LocaleTag(), c.tag) << c.file;
        EXPECT_EQ(BrandingText(3), u"found") << c.file;
    }
}

TEST_F(BrandingTest, WithoutAnyFileThereIsNoTableButATag)
{
    UseBrandingFolder();
    EXPECT_EQ(CBrandingGuide::GetInstanceBranding(), nullptr);
    EXPECT_EQ(CBrandingGuide::LocaleTag(), u"de-de");
    EXPECT_EQ(BrandingText(5), u"");

    TesselService* service = TesselService::InitService();
    ASSERT_NE(service, nullptr); // the service is built all the same
}

TEST_F(BrandingTest, TheShippedEnglishFileIsFoundWithoutABrandingFolder)
{
    ScopedEnv folder("LUMENO_BRANDING_DIR", std::nullopt);
    const std::u16string* table = CBrandingGuide::GetInstanceBranding();
    ASSERT_NE(table, nullptr);
    EXPECT_NE(table[16], u"undefined");
    EXPECT_NE(table[33], u"undefined");
}
