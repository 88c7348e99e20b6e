// The summary, help and About texts.

#include "core/InfoTexts.h"
#include "ServiceFixture.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"

namespace {

class InfoTextsTest : public ServiceFixture {
protected:
    static void Put(std::u16string_view name, std::uint32_t value)
    {
        TesselService::InitService()->SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
    }

    // 2007-03-04 05:06:07 UTC.
    static void PutSyncTime()
    {
        const std::uint64_t time = 128174583670000000ULL;
        Put(u"sync_time_low", static_cast<std::uint32_t>(time));
        Put(u"sync_time_high", static_cast<std::uint32_t>(time >> 32));
    }

    ScopedEnv m_zone{"TZ", "Europe/Berlin"};
};

TEST_F(InfoTextsTest, OnlyOneHalfOfTheTimeShowsNotSynchronised)
{
    Put(u"sync_time_low", 99);
    Put(u"transaction", 14);
    Put(u"contacts_added", 3);
    EXPECT_EQ(SummaryText(*TesselService::InitService()), BrandingText(kTextNotSynchronised));
}

TEST_F(InfoTextsTest, CountersInTheirOrder)
{
    PutSyncTime();
    Put(u"transaction", 10);
    Put(u"transaction_success", 1);
    Put(u"tasks_failed", 2);
    Put(u"contacts_added", 5);
    Put(u"files_updated", 9); // never shown
    Put(u"sms_deleted", 0xFFFFFFFF);
    EXPECT_EQ(SummaryText(*TesselService::InitService()),
              u"04-03-2007 06:06:07\r\n" + BrandingText(kTextSummarySync) + u"\r\n" + BrandingText(kTextCompleted) + u"\r\n\r\n5 " +
                  BrandingText(kTextContactsAdded) + u"\r\n-1 " + BrandingText(kTextMessagesDeleted) + u"\r\n2 " + BrandingText(kTextTasksFailed) +
                  u"\r\n");
}

TEST_F(InfoTextsTest, NoCountersAndTransactionsOutsideTheTable)
{
    for (std::uint32_t transaction : {0u, 17u}) {
        PutSyncTime();
        Put(u"transaction", transaction);
        Put(u"transaction_success", 0);
        EXPECT_EQ(SummaryText(*TesselService::InitService()),
                  u"04-03-2007 06:06:07\r\n\r\n" + BrandingText(kTextNotCompleted) + u"\r\n\r\n" + BrandingText(kTextNothingToTransfer));
    }
}

TEST_F(InfoTextsTest, AboutShowsTheProgramsVersion)
{
    // This test program carries the project's version record.
    EXPECT_EQ(AboutText(ProgramPath()),
              BrandingText(kTextVersion) + u" " + Utf8ToUtf16(LUMENO_TEST_VERSION) + u"\r\n\r\n" + BrandingText(kTextAboutBody));
}

TEST_F(InfoTextsTest, AboutOfAFileWithoutVersion)
{
    const std::filesystem::path plain = Root() / "plain";
    WriteFile(plain, "not a program");
    EXPECT_EQ(AboutText(Utf8ToUtf16(plain.string())),
              BrandingText(kTextVersion) + u" 0.0.0\r\n\r\n" + BrandingText(kTextAboutBody));
}

} // namespace
