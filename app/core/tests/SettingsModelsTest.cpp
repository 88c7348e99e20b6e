// The settings dialog, storage dialog and wizard as models over the settings record.

#include "core/CDirectory.h"
#include "core/CStorage.h"
#include "core/CSynchronization.h"
#include "core/CWizard.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(SettingsChoicesTest, MediaChoiceFromAndToSettings)
{
    struct Case {
        std::int32_t sync;
        std::int32_t direction;
        MediaChoice choice;
    };
    for (const Case& media : {Case{0, 0, MEDIA_OFF}, Case{0, 1, MEDIA_OFF}, Case{1, 0, MEDIA_UPLOAD},
                              Case{1, 1, MEDIA_BOTH}, Case{2, 0, MEDIA_BOTH}}) {
        _SETTINGS_DEF settings;
        settings.Sync_Video = media.sync;
        settings.Sync_Direction_Video = media.direction;
        EXPECT_EQ(ReadMediaChoice(settings, MediaKind::Video), media.choice);
    }
    _SETTINGS_DEF settings;
    settings.Sync_Images = 1;
    settings.Sync_Direction_Images = 1;
    EXPECT_TRUE(ApplyMediaChoice(settings, MediaKind::Images, MEDIA_UPLOAD));
    EXPECT_EQ(settings.Sync_Images, 1);
    EXPECT_EQ(settings.Sync_Direction_Images, 0);
    EXPECT_FALSE(ApplyMediaChoice(settings, MediaKind::Images, MEDIA_UPLOAD));
}

TEST(SettingsChoicesTest, PeriodEntries)
{
    struct Case {
        const char16_t* timeframe;
        std::vector<std::int32_t> days;
    };
    const Case cases[] = {
        {u"0;1;7;14;28", {0, 1, 7, 14, 28}},
        {u"0;1;7;14;28;56", {0, 1, 7, 14, 28}},
        {u"28;7", {28, 7}},
        {u"0;5;7", {0, 7}},   // an unknown token offers nothing
        {u"1;;7", {1}},       // the list ends at an empty token
        {u"5;5;5;5;5;1", {}}, // five tokens are read, known or not
        {u"", {}},
        {u"7;", {7}},
    };
    for (const Case& list : cases) {
        std::vector<std::int32_t> days;
        for (const PeriodEntry& entry : PeriodEntries(list.timeframe))
            days.push_back(entry.days);
        EXPECT_EQ(days, list.days);
    }
}

TEST(SettingsChoicesTest, MemoryChoice)
{
    struct Case {
        std::int32_t memory;
        std::int32_t card;
        MemoryChoice choice;
    };
    for (const Case& memory : {Case{1, 0, MEMORY_PHONE}, Case{0, 1, MEMORY_CARD}, Case{1, 1, MEMORY_BOTH},
                               Case{0, 0, MEMORY_BOTH}}) {
        _SETTINGS_DEF settings;
        settings.Sync_Memory = memory.memory;
        settings.Sync_Card = memory.card;
        EXPECT_EQ(ReadMemoryChoice(settings), memory.choice);
    }
    _SETTINGS_DEF cardOnly;
    cardOnly.Sync_Memory = 0;
    cardOnly.Sync_Card = 1;
    EXPECT_TRUE(ApplyMemoryChoice(cardOnly, MEMORY_PHONE));
    EXPECT_EQ(cardOnly.Sync_Memory, 1);
    EXPECT_EQ(cardOnly.Sync_Card, 0);
}

TEST(SettingsDialogTest, ChoosingAnEntryStoresItsPeriod)
{
    _SETTINGS_DEF settings;
    settings.Sync_Timeframe = u"0;5;7;14";
    settings.Sync_Period = 14;
    CSynchronization dialog(settings);
    ASSERT_EQ(dialog.Periods().size(), 3u);
    EXPECT_EQ(dialog.Period(), 2u);
    dialog.SetPeriod(1); // "weekly"
    EXPECT_TRUE(dialog.Apply(settings));
    EXPECT_EQ(settings.Sync_Period, 7);
}

TEST(SettingsDialogTest, ApplyCountsOnlyRealChanges)
{
    _SETTINGS_DEF settings;
    settings.Sync_Timeframe = u"0;1;7";
    settings.Sync_Period = 7;
    settings.Sync_Direction_Audio = 0; // off, as the dialog writes "off"
    settings.Sync_Direction_Video = 0;
    settings.Sync_Direction_Other = 0;
    {
        CSynchronization untouched(settings);
        EXPECT_FALSE(untouched.Apply(settings));
    }
    CSynchronization dialog(settings);
    dialog.SetTicked(CSynchronization::Box::Sms, true);
    dialog.SetMedia(MediaKind::Audio, MEDIA_BOTH);
    EXPECT_TRUE(dialog.Apply(settings));
    EXPECT_EQ(settings.Sync_Sms, 1);
    EXPECT_EQ(settings.Sync_Audio, 1);
    EXPECT_EQ(settings.Sync_Direction_Audio, 1);
    EXPECT_FALSE(dialog.Apply(settings));
}

TEST(SettingsDialogTest, VisibilityFollowsTheEnablingSettings)
{
    _SETTINGS_DEF settings;
    settings.Enable_Sync_Events = 0;
    settings.Enable_Scheduler = 0;
    settings.Enable_Sync_Folders = 0;
    CSynchronization dialog(settings);
    EXPECT_TRUE(dialog.IsVisible(CSynchronization::Box::Contacts));
    EXPECT_FALSE(dialog.IsVisible(CSynchronization::Box::Calendar));
    EXPECT_FALSE(dialog.IsPeriodVisible());
    EXPECT_FALSE(dialog.AreMediaVisible());
    // Without folder sync the storage command does nothing.
    EXPECT_FALSE(dialog.StorageCommand().has_value());
}

TEST(SettingsDialogTest, AcceptedStorageIsAppliedWithTheDialog)
{
    _SETTINGS_DEF settings;
    settings.Sync_Memory = 0;
    settings.Sync_Card = 1;
    settings.Image_Download_Dir = u"/home/a/Pictures/";
    CSynchronization dialog(settings);
    std::optional<CStorage> storage = dialog.StorageCommand();
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->Memory(), MEMORY_CARD);
    storage->SetMemory(MEMORY_PHONE);
    storage->ChooseFolder(MediaKind::Images, u"\\Storage Card\\DCIM");
    dialog.AcceptStorage(*storage);
    EXPECT_TRUE(dialog.Apply(settings));
    EXPECT_EQ(settings.Sync_Memory, 1);
    EXPECT_EQ(settings.Sync_Card, 0);
    EXPECT_EQ(settings.Image_Download_Dir, u"/Storage Card/DCIM/");
}

TEST(WizardTest, ShowsEnabledKindsTickedAsSet)
{
    _SETTINGS_DEF settings;
    settings.Enable_Sync_Messages = 0;
    settings.Sync_Contacts = 1;
    settings.Sync_Images = 1;
    settings.Sync_Video = 0;
    CWizard wizard(settings);
    EXPECT_FALSE(wizard.IsVisible(CWizard::Box::Sms));
    EXPECT_TRUE(wizard.IsVisible(CWizard::Box::Documents));
    EXPECT_TRUE(wizard.IsTicked(CWizard::Box::Contacts));
    EXPECT_TRUE(wizard.IsTicked(CWizard::Box::Images));
    EXPECT_FALSE(wizard.IsTicked(CWizard::Box::Video));
}

TEST(WizardTest, TickedKindIsSynchronisedBothWays)
{
    _SETTINGS_DEF settings;
    settings.Sync_Images = 1;
    settings.Sync_Direction_Images = 0;
    settings.Sync_Other = 0;
    CWizard wizard(settings);
    wizard.SetTicked(CWizard::Box::Documents, true);
    EXPECT_TRUE(wizard.Apply(settings));
    EXPECT_EQ(settings.Sync_Direction_Images, 1);
    EXPECT_EQ(settings.Sync_Other, 1);
    EXPECT_EQ(settings.Sync_Direction_Other, 1);
    EXPECT_FALSE(wizard.Apply(settings));
}

} // namespace

TEST(FolderChooserTest, TopFoldersFollowTheMemoryChoiceAndSubfoldersSkipRecycled)
{
    TempDir device;
    ScopedEnv root("LUMENO_DEVICE_ROOT", device.Path().string());
    const std::filesystem::path card = device.Path() / "media" / "Card";
    for (const char* folder : {"media/Card", "My Documents/Work", "My Documents/RECYCLED", "My Documents/.cache",
                               "My Documents/Alpha"})
        std::filesystem::create_directories(device.Path() / folder);
    std::ofstream(device.Path() / "My Documents" / "notes.txt") << "a file, not a folder";

    const auto names = [](const std::vector<FolderItem>& items) {
        std::vector<std::u16string> listed;
        for (const FolderItem& item : items)
            listed.push_back(item.name);
        return listed;
    };
    EXPECT_EQ(names(CDirectory::TopFolders(MEMORY_PHONE)), std::vector<std::u16string>{u"My Documents"});
    EXPECT_EQ(names(CDirectory::TopFolders(MEMORY_CARD)), std::vector<std::u16string>{u"Card"});
    EXPECT_EQ(names(CDirectory::TopFolders(MEMORY_BOTH)), (std::vector<std::u16string>{u"Card", u"My Documents"}));
    EXPECT_EQ(names(CDirectory::SubFolders(device.Path() / "My Documents")),
              (std::vector<std::u16string>{u"Alpha", u"Work"}));
    EXPECT_TRUE(CDirectory::SubFolders(device.Path() / "missing").empty());
    EXPECT_EQ(CDirectory::Chosen(card), Utf8ToUtf16(card.string()) + u"/");
}
