// The files list model, the Upload and Download runners with their two sessions, and the Wipeout
// push.

#include "AppFixture.h"
#include "FileRecord.h"
#include "core/CFilesListDlg.h"
#include "core/InfoTexts.h"
#include "platform/Shell.h"
#include "service/BrandingTexts.h"

namespace {

class FilesOperationsTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        GiveKeys();
        View().BuildOperationList();
    }

    void Run(OperationCode operation)
    {
        const std::vector<OperationRow>& rows = View().Rows();
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].operation == operation)
                View().SelectRow(static_cast<int>(row));
        }
        View().OnOperationRequest(REQ_ROW_ACTIVATED, nullptr);
        m_ui->RunPending();
    }

    static void SetSummary(std::u16string_view name, std::uint32_t value)
    {
        TesselService::InitService()->SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
    }

    std::uint32_t Summary(std::u16string_view name) const
    {
        std::uint32_t value = 0;
        TesselService::InitService()->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }
};

TEST(FileSizeTextTest, SizesInTheirUnits)
{
    const std::pair<std::int64_t, std::u16string_view> cases[] = {
        {0, u"0B"},
        {1024, u"1024B"},
        {1025, u"1.00KB"},
        {1048576, u"1024.00KB"},
        {1048577, u"1.00MB"},
        {1572864, u"1.50MB"},
        {1073741824, u"1024.00MB"},
        {1073741825, u"1.00GB"},
        {5368709120, u"5.00GB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(FileSizeText(bytes), text) << bytes;
}

TEST_F(FilesOperationsTest, FilesListFiltersTicksAndTellsDetails)
{
    WriteFile(Root() / "a.jpg", std::string(3000, 'x'));
    FileList list = {FileRecord(u"a.jpg", 0, FILE_KIND_IMAGE, u"file://" + Utf8ToUtf16((Root() / "a.jpg").string())),
                     FileRecord(u"b.png", 2048, FILE_KIND_IMAGE)};
    list[1].selected = 1;
    list[1].thumbnail = {1, 2, 3};
    int selected = -1;
    CFilesListDlg dialog(list, selected, CFilesListDlg::Mode::Download);

    EXPECT_EQ(selected, 1);
    ASSERT_EQ(dialog.Rows().size(), 2u);
    EXPECT_EQ(list[0].size, 3000) << "an unknown size is taken from the file";
    EXPECT_EQ(dialog.Rows()[0].sizeLine, u" Size  2.93KB");
    EXPECT_TRUE(dialog.Rows()[0].picture.file.empty()) << "a server's path is not decoded";
    EXPECT_EQ(dialog.Rows()[1].picture.thumbnail.size(), 3u);
    EXPECT_FALSE(dialog.IsEnabled(FILES_PREVIEW));
    EXPECT_FALSE(dialog.IsEnabled(FILES_SHOW_ALL));
    EXPECT_FALSE(dialog.Preview(0));

    dialog.Toggle(0);
    EXPECT_EQ(selected, 2);
    for (const int filter : {FILES_SHOW_VIDEO, FILES_SHOW_AUDIO, FILES_SHOW_OTHER}) {
        dialog.ChooseFilter(filter);
        ASSERT_EQ(dialog.Rows().size(), 1u);
        EXPECT_FALSE(dialog.Rows()[0].record);
        EXPECT_EQ(dialog.Rows()[0].name, u"   N0 FILES");
        dialog.Toggle(0);
        EXPECT_EQ(dialog.DetailsText(0), u"");
        EXPECT_TRUE(dialog.IsEnabled(FILES_SHOW_ALL));
        EXPECT_FALSE(dialog.IsEnabled(filter));
    }
    dialog.ChooseFilter(FILES_SHOW_IMAGES);
    EXPECT_EQ(selected, 2) << "ticks stay when the filter changes";
    EXPECT_TRUE(dialog.Rows()[0].selected && dialog.Rows()[1].selected);
    dialog.Toggle(1);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(list[1].selected, 0);
    EXPECT_EQ(dialog.DetailsText(0), BrandingText(kTextPath) + u"  " + list[0].path + u"\r\n" + BrandingText(kTextSize) + u"  3000");
    EXPECT_EQ(dialog.DetailsText(1), BrandingText(kTextSize) + u"  2048");
    EXPECT_EQ(dialog.HelpText(), BrandingText(kTextSettingsHelp));
}

TEST_F(FilesOperationsTest, UploadListsTransfersTheTickedFilesAndTellsTheResult)
{
    m_calls->deviceFiles = {FileRecord(u"a.jpg", 10, FILE_KIND_IMAGE)};
    m_calls->serverFiles = {FileRecord(u"a.jpg", 10, FILE_KIND_IMAGE), FileRecord(u"b.mp3", 20, FILE_KIND_AUDIO)};
    m_ui->filesList = [](CFilesListDlg& dialog) {
        EXPECT_EQ(dialog.GetMode(), CFilesListDlg::Mode::Upload);
        dialog.Toggle(1);
        dialog.PressDone();
    };
    Run(OP_UPLOAD);

    EXPECT_EQ(m_calls->Calls(),
              (std::vector<std::string>{"OpenGPRSConnection", "ConnectServer", "FilesGetList(1 1 1 1)",
                                        "StartNegotiation", "CompleteNegotiation", "FilesListFlow(ListUpload 1)",
                                        "CompleteSession", "StartNegotiation", "CompleteNegotiation",
                                        "FilesUploadFromList(0)", "CompleteSession",
                                        "DisconnectServer", "CloseGPRSConnection"}));
    EXPECT_EQ(m_calls->Negotiations(), (std::vector<std::string>{"ListUpload 0 0 0 1 0", "Upload 0 0 0 1 0"}));
    ASSERT_EQ(m_calls->Transferred().size(), 1u);
    EXPECT_EQ(m_calls->Transferred()[0][1].selected, 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextSummaryUpload) + u"\r\n" + BrandingText(kTextCompleted)});
    EXPECT_EQ(Summary(u"transaction"), 12u);
    EXPECT_EQ(Summary(u"transaction_success"), 1u);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Ok);
}

TEST_F(FilesOperationsTest, ListingSessionEndsTheOperationWithoutASecondSession)
{
    struct Case {
        OperationCode operation;
        bool serverHasFiles;
        bool cancel;
        std::vector<std::u16string> boxes;
    };
    const Case cases[] = {
        {OP_UPLOAD, false, false, {BrandingText(kTextNoDeviceFiles)}},
        {OP_DOWNLOAD, false, false, {BrandingText(kTextNoServerFiles)}},
        {OP_DOWNLOAD, true, true, {}},
        {OP_UPLOAD, true, false, {BrandingText(kTextNoFileSelected)}}, // nothing ticked
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation * 10 + c.cancel);
        TearDown();
        SetUp();
        if (c.serverHasFiles)
            m_calls->serverFiles = {FileRecord(u"a.jpg", 10, FILE_KIND_IMAGE)};
        m_ui->filesList = [&c](CFilesListDlg& dialog) { c.cancel ? dialog.PressCancel() : dialog.PressDone(); };
        Run(c.operation);
        EXPECT_EQ(m_calls->CountOf("StartNegotiation"), 1);
        EXPECT_EQ(m_calls->CountOf("CompleteSession"), 1);
        EXPECT_EQ(m_ui->filesLists, c.serverHasFiles ? 1 : 0);
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_EQ(Summary(u"transaction_success"), 0u);
    }
}

TEST_F(FilesOperationsTest, DownloadWritesItsTransactionOnlyOnceTheServerTookIt)
{
    SetSummary(u"transaction", 10);
    m_calls->Script("CompleteNegotiation", {RES_ERROR});
    Run(OP_DOWNLOAD);
    EXPECT_EQ(Summary(u"transaction"), 10u);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextOperationRefused)});

    m_calls->Script("StartNegotiation", {RES_SETTINGS_REQUIRED});
    m_calls->serverFiles = {FileRecord(u"a.jpg", 10, FILE_KIND_IMAGE)};
    m_ui->filesList = [](CFilesListDlg& dialog) {
        dialog.Toggle(0);
        dialog.PressDone();
    };
    Run(OP_DOWNLOAD);
    EXPECT_EQ(m_calls->CountOf("ConfigVersionFlow"), 1);
    EXPECT_EQ(Summary(u"transaction"), 13u);
    EXPECT_EQ(m_calls->CountOf("FilesListFlow(ListServer 1)"), 1);
    EXPECT_EQ(m_calls->CountOf("FilesDownloadFromList(1 1)"), 1);
    EXPECT_EQ(BoxTexts().back(), BrandingText(kTextSummaryDownload) + u"\r\n" + BrandingText(kTextCompleted));
}

TEST_F(FilesOperationsTest, WipeoutDeletesEverythingInOrderWithoutServerAndTheSummaryTellsIt)
{
    PushArrives(CIR_WIPEOUT);

    EXPECT_EQ(m_calls->Calls(), (std::vector<std::string>{"ProcessMessageCIR", "AppointmentsDeleteAll",
                                                          "TaskDeleteAll", "ContactsDeleteAll", "FilesDeleteAll",
                                                          "SmsDeleteAll"}));
    EXPECT_EQ(Summary(u"transaction"), 16u);
    EXPECT_EQ(Summary(u"transaction_success"), 1u);
    EXPECT_FALSE(View().IsBusy());
    SetSummary(u"sync_time_low", 1);
    SetSummary(u"sync_time_high", 1);
    EXPECT_NE(SummaryText(*TesselService::InitService()).find(BrandingText(kTextWipeout)), std::u16string::npos);
}

} // namespace
