#include "ServiceFixture.h"

namespace {

class SummaryTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        m_service = TesselService::InitService();
        ASSERT_NE(m_service, nullptr);
    }

    std::uint32_t Get(std::u16string_view name)
    {
        std::uint32_t value = 0xDEADBEEF;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }

    void Set(std::u16string_view name, std::uint32_t value)
    {
        m_service->SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
    }

    TesselService* m_service = nullptr;
};

} // namespace

TEST_F(SummaryTest, ValuesRoundTripAndUnwrittenOnesReadAsZeroOrEmpty)
{
    Set(u"contacts_added", 12);
    EXPECT_EQ(Get(u"contacts_added"), 12u);
    EXPECT_EQ(Get(u"never_written"), 0u);

    const std::u16string text = u"Backup \u00e4";
    m_service->SummarySet(u"note", REG_TYPE_STRING, nullptr, &text);
    std::u16string read = u"stale";
    m_service->SummaryGetMsg(u"note", REG_TYPE_STRING, nullptr, &read);
    EXPECT_EQ(read, text);
    read = u"stale";
    m_service->SummaryGetMsg(u"never_written", REG_TYPE_STRING, nullptr, &read);
    EXPECT_EQ(read, u"");
    EXPECT_EQ(Get(u"note"), 0u); // a string read as a number
}

TEST_F(SummaryTest, MismatchedKindsAndNullPointersWriteNothing)
{
    std::uint32_t value = 5;
    const std::u16string text = u"x";
    m_service->SummarySet(u"a", REG_TYPE_STRING, &value, nullptr);
    m_service->SummarySet(u"b", REG_TYPE_DWORD, nullptr, &text);
    m_service->SummarySet(u"c", static_cast<REG_TYPE>(7), &value, &text);
    CRegKey key;
    ASSERT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", key), RegStatus::Ok);
    std::vector<std::u16string> names;
    key.EnumValueNames(names);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(value, 5u);
}

TEST_F(SummaryTest, EmptyAllZeroesTheCountersAndKeepsTransactionAndTimes)
{
    const char16_t* counters[] = {
        u"contacts_added",      u"contacts_updated",   u"contacts_deleted",     u"contacts_failed",
        u"contacts_uploaded",   u"sms_added",          u"sms_deleted",          u"sms_failed",
        u"files_added",         u"files_updated",      u"files_uploaded",       u"files_deleted",
        u"files_failed",        u"appointments_added", u"appointments_updated", u"appointments_deleted",
        u"appointments_failed", u"tasks_added",        u"tasks_updated",        u"tasks_deleted",
        u"tasks_failed",
    };
    const char16_t* kept[] = {u"transaction",        u"transaction_success", u"transact_time_low",
                              u"transact_time_high", u"sync_time_low",       u"sync_time_high",
                              u"cal_sync_time_low",  u"cal_sync_time_high"};
    for (const char16_t* name : counters)
        Set(name, 9);
    for (const char16_t* name : kept)
        Set(name, 77);
    m_service->SummaryEmptyAll();
    for (const char16_t* name : counters)
        EXPECT_EQ(Get(name), 0u) << Utf16ToUtf8(name);
    for (const char16_t* name : kept)
        EXPECT_EQ(Get(name), 77u) << Utf16ToUtf8(name);
}

TEST_F(SummaryTest, AStoreThatCannotBeOpenedLeavesTheCallersValue)
{
    // A store that cannot be opened: its folder is a file.
    WriteFile(Root() / "blocked", "");
    CRegistry::UseStore(Root() / "blocked" / "registry.db");
    std::uint32_t value = 3;
    m_service->SummarySet(u"contacts_added", REG_TYPE_DWORD, &value, nullptr);
    EXPECT_EQ(value, 3u); // the key could not be opened: nothing changed
    m_service->SummaryGetMsg(u"contacts_added", REG_TYPE_DWORD, &value, nullptr);
    EXPECT_EQ(value, 3u);
}

TEST_F(SummaryTest, TimeIsReadFromItsTwoHalvesOrNotAtAll)
{
    struct Case {
        const char* what;
        std::optional<std::uint32_t> low;
        std::optional<std::uint32_t> high;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"both halves", 0x89ABCDEFu, 0x01D7u, 0x01D789ABCDEFull},
        {"never written", std::nullopt, std::nullopt, std::nullopt},
        {"one half missing", 5u, std::nullopt, std::nullopt},
        {"a zero low half: a time like any other", 0u, 0x01D7u, 0x01D700000000ull},
        {"a zero high half: never ran", 5u, 0u, std::nullopt},
        {"both halves emptied", 0u, 0u, std::nullopt},
    };
    for (const Case& c : cases) {
        m_service->SummaryEmptyAll();
        CRegKey key;
        ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", key), RegStatus::Ok);
        key.DeleteValue(u"t_low");
        key.DeleteValue(u"t_high");
        if (c.low)
            Set(u"t_low", *c.low);
        if (c.high)
            Set(u"t_high", *c.high);
        EXPECT_EQ(m_service->SummaryTime(u"t_low", u"t_high"), c.expected) << c.what;
    }
    // A half that is not a number reads as no time.
    const std::u16string text = u"12";
    m_service->SummarySet(u"t_low", REG_TYPE_STRING, nullptr, &text);
    Set(u"t_high", 1);
    EXPECT_EQ(m_service->SummaryTime(u"t_low", u"t_high"), std::nullopt);
}
