// Every screen rendered offscreen at a phone's size and a desktop's, in a light and a dark palette:
// the captures are kept in the build folder for review, and each is checked for the texts a user
// must see and for anything cut off.

#include "Screens.h"
#include "CellList.h"
#include "FilesListWindow.h"
#include "GenericWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "QtFixture.h"
#include "QtText.h"
#include "SettingsWindow.h"
#include "StorageWindow.h"
#include "TextViewer.h"
#include "WaitWindow.h"
#include "WizardWindow.h"
#include "core/CFilesListDlg.h"
#include "core/CWaitDlg.h"
#include "core/GenericDlg.h"
#include "core/InfoTexts.h"
#include "service/BrandingTexts.h"
#include "service/Messages.h"

#include <QBuffer>
#include <QImage>
#include <QMenu>

namespace {

struct Screen {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
    std::vector<int> texts; // branding texts the screen shows
    QStringList words = {}; // and these
    bool popup = false;     // shown at its own size
};

const QSize kSizes[] = {{480, 800}, {1024, 700}};

_SETTINGS_DEF EverythingEnabled()
{
    _SETTINGS_DEF settings;
    for (std::int32_t _SETTINGS_DEF::*enabled :
         {&_SETTINGS_DEF::Enable_Sync, &_SETTINGS_DEF::Enable_SyncCalendar,
          &_SETTINGS_DEF::Enable_ManualUpload, &_SETTINGS_DEF::Enable_ManualDownload,
          &_SETTINGS_DEF::Enable_Backup, &_SETTINGS_DEF::Enable_Restore, &_SETTINGS_DEF::Enable_Sync_Contacts,
          &_SETTINGS_DEF::Enable_Sync_Events, &_SETTINGS_DEF::Enable_Sync_Messages,
          &_SETTINGS_DEF::Enable_Sync_Folders, &_SETTINGS_DEF::Enable_Scheduler,
          &_SETTINGS_DEF::Sync_Contacts})
        settings.*enabled = 1;
    settings.Sync_Timeframe = u"0;1;7;14;28";
    settings.Image_Download_Dir = u"/home/user/Pictures/From my phone/";
    return settings;
}

class ScreensTest : public QtFixture {
protected:
    _SETTINGS_DEF m_settings = EverythingEnabled();
    ServerDialogRecord m_record;
};

TEST_F(ScreensTest, EveryScreenShowsItsTextsAndNothingIsCutOff)
{
    TesselService& service = *TesselService::InitService();
    for (auto [name, value] :
         {std::pair{u"contacts_added", 12u}, {u"transaction", 10u}, {u"transaction_success", 1u}})
        service.SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
    std::uint32_t low = 0xD53E8000;
    std::uint32_t high = 0x01D9C1A2;
    service.SummarySet(u"sync_time_low", REG_TYPE_DWORD, &low, nullptr);
    service.SummarySet(u"sync_time_high", REG_TYPE_DWORD, &high, nullptr);
    m_record.title = u"Confirm your account";
    m_record.message = u"Enter the code the server sent to your phone by text message.";
    m_record.yesLabel = u"Send";
    m_record.noLabel = u"Later";
    m_record.hasStopDialog = 1;
    m_record.stopLabel = u"Do not ask again";
    m_record.hasInput = 1;
    m_record.inputType = u"numeric";
    m_record.inputValue = u"1234";
    GenericDlg generic(m_record);
    CWizard wizard(m_settings);
    CSynchronization settingsDialog(m_settings);
    CStorage storage(m_settings);
    CWaitDlg wait(*m_ui);
    const std::u16string status = BrandingText(kTextSendingContacts);
    SendMessage(wait.Handle(), WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(status.c_str()), 40);

    // An image with the server's thumbnail, one whose file cannot be decoded, and one of each other kind.
    QImage thumbnail(64, 48, QImage::Format_RGB32);
    thumbnail.fill(QColor(0x2f, 0x7f, 0xd1));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    thumbnail.save(&buffer, "PNG");
    FileList files(5);
    const char16_t* names[] = {u"beach.jpg", u"broken.png", u"holiday-video-from-the-beach-at-sunset-2026.mp4",
                               u"song.mp3", u"notes.txt"};
    const FILE_KIND kinds[] = {FILE_KIND_IMAGE, FILE_KIND_IMAGE, FILE_KIND_VIDEO, FILE_KIND_AUDIO, FILE_KIND_OTHER};
    for (std::size_t index = 0; index < files.size(); ++index) {
        files[index].name = names[index];
        files[index].kind = kinds[index];
        files[index].size = 1572864 + static_cast<std::int64_t>(index);
        files[index].selected = index % 2 == 0 ? 1 : 0;
    }
    files[0].thumbnail.assign(png.begin(), png.end());
    files[1].thumbnail = {0x89, 'P', 'N', 'G'};
    int selectedCount = 0;
    CFilesListDlg filesDialog(files, selectedCount, CFilesListDlg::Mode::Upload);

    const Screen screens[] = {
        {"main",
         [&]() -> std::unique_ptr<QWidget> {
             auto window =
                 std::make_unique<CMainWindow>(CCellListView::CellSizeFor(44, QApplication::font()));
             window->ShowRows(BuildOperationRows(m_settings, service), true);
             return window;
         },
         {88, 89, 90, 91, 3, 92, 94, 95, 174, 107, 106}},
        {"wait",
         [&]() -> std::unique_ptr<QWidget> { return std::make_unique<CWaitWindow>(wait, nullptr); },
         {42, 5}},
        {"question",
         [&]() -> std::unique_ptr<QWidget> {
             return MakeMessageBox(nullptr, BrandingText(kTextSyncQuestion), BrandingText(kTextQuestionCaption), MB_YESNO);
         },
         {47, 31},
         {},
         true},
        {"summary",
         [&]() -> std::unique_ptr<QWidget> {
             return std::make_unique<CTextViewer>(Text(kTextViewSummary), DisplayText(SummaryText(service)), nullptr);
         },
         {105, 130, 131, 16},
         {QStringLiteral("12 contacts added")}},
        {"help",
         [&]() -> std::unique_ptr<QWidget> {
             return std::make_unique<CTextViewer>(Text(kTextHelp), Text(kTextHelpBody), nullptr);
         },
         {12, 165}},
        {"about",
         [&]() -> std::unique_ptr<QWidget> {
             return std::make_unique<CAboutBox>(DisplayText(AboutText(ProgramPath())), nullptr);
         },
         {1, 117}},
        {"generic",
         [&]() -> std::unique_ptr<QWidget> { return std::make_unique<CGenericWindow>(generic, nullptr); },
         {},
         {QStringLiteral("Confirm your account"), QStringLiteral("Send"), QStringLiteral("Later"),
          QStringLiteral("Do not ask again"), QStringLiteral("1234")}},
        {"wizard",
         [&]() -> std::unique_ptr<QWidget> { return std::make_unique<CWizardWindow>(wizard, nullptr); },
         {186, 124, 89, 125, 110, 111, 112, 113, 5, 185}},
        {"settings",
         [&]() -> std::unique_ptr<QWidget> {
             return std::make_unique<CSettingsWindow>(settingsDialog, nullptr);
         },
         {103, 124, 89, 125, 126, 127, 128, 129, 156, 163, 5, 106}},
        {"storage",
         [&]() -> std::unique_ptr<QWidget> { return std::make_unique<CStorageWindow>(storage, nullptr); },
         {118, 98, 119, 120, 121, 122, 5, 106},
         {QStringLiteral("/home/user/Pictures/From my phone/")}},
        {"files",
         [&]() -> std::unique_ptr<QWidget> {
             return std::make_unique<CFilesListWindow>(
                 filesDialog, CCellListView::CellSizeFor(44, QApplication::font()), nullptr);
         },
         {108, 106, 16},
         {QStringLiteral("beach.jpg"), QStringLiteral(" Size  1.50MB"), QStringLiteral("song.mp3"),
          QStringLiteral("notes.txt")}},
        {"folders",
         [&]() -> std::unique_ptr<QWidget> { return std::make_unique<CFolderChooser>(MEMORY_BOTH, nullptr); },
         {5, 16},
         {QStringLiteral("My Device"), QStringLiteral("My Documents")}},
    };
    for (const Screen& screen : screens) {
        SCOPED_TRACE(screen.name);
        const std::unique_ptr<QWidget> window = screen.make();
        if (!window)
            continue;
        QStringList expected = screen.words;
        for (int text : screen.texts)
            expected << Text(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QSize& size : kSizes) {
            for (const bool dark : {false, true}) {
                QApplication::setPalette(dark ? DarkPalette() : QApplication::style()->standardPalette());
                if (!screen.popup)
                    window->resize(size);
                window->show();
                QApplication::processEvents();
                const QString name =
                    QString::fromLatin1(screen.name) +
                    (screen.popup ? QString()
                                  : QStringLiteral("-%1x%2").arg(size.width()).arg(size.height())) +
                    (dark ? QStringLiteral("-dark") : QStringLiteral("-light"));
                EXPECT_TRUE(SaveCapture(*window, name)) << name.toStdString();
                if (!screen.popup) {
                    EXPECT_EQ(window->size(), size) << name.toStdString() << ": the screen does not fit";
                }
                const QStringList shown = VisibleTexts(*window);
                for (const QString& text : expected)
                    EXPECT_TRUE(shown.contains(text))
                        << name.toStdString() << ": \"" << text.toStdString() << "\" is not shown in "
                        << shown.join(QStringLiteral(" | ")).toStdString();
                EXPECT_EQ(CutOff(*window).join(QStringLiteral("; ")).toStdString(), "") << name.toStdString();
            }
        }
    }
    QApplication::setPalette(QApplication::style()->standardPalette());
}

} // namespace
