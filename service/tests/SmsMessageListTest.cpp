#include "service/SmsMessageList.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

namespace {

FileTime At(int year, int month, int day, int hour, int minute, int second)
{
    return CivilToFileTime(CivilTime{year, month, day, hour, minute, second});
}

TEST(SmsMessageList, TimestampsUseTheTwelveHourClockAndReadItBack)
{
    struct Case {
        FileTime time;
        std::u16string text;
    };
    const Case cases[] = {
        {At(2023, 12, 24, 0, 15, 9), u"24-12-2023 12:15:09 AM"},
        {At(2023, 12, 24, 11, 59, 59), u"24-12-2023 11:59:59 AM"},
        {At(2023, 12, 24, 12, 0, 0), u"24-12-2023 12:00:00 PM"},
        {At(2024, 2, 29, 18, 30, 0), u"29-02-2024 06:30:00 PM"},
        {0, u"01-01-1601 12:00:00 AM"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSmsTimestamp(c.time), c.text);
        EXPECT_EQ(ParseSmsTimestamp(c.text), c.time) << Utf16ToUtf8(c.text);
    }
    EXPECT_EQ(FormatSmsTimestamp(At(2023, 12, 24, 18, 30, 0) + 9'999'999), u"24-12-2023 06:30:00 PM");
    EXPECT_EQ(FormatSmsTimestamp(~FileTime{0}), u"");
}

TEST(SmsMessageList, TimestampsOfOtherWritersAndOutOfRangeOnes)
{
    const FileTime evening = At(2023, 12, 24, 18, 30, 0);
    struct Case {
        std::u16string text;
        std::optional<FileTime> time;
    };
    const Case cases[] = {
        {u"24-12-2023 18:30:00", evening},
        {u"24-12-2023 6:30:00 pm", evening},
        {u" 24-12-2023   06:30:00PM and more", evening},
        {u"24-12-2023 18:30:00 UTC", evening},
        {u"24-12-2023 12:30:00 am", At(2023, 12, 24, 0, 30, 0)},
        {u"31-12-30827 23:59:59", At(30827, 12, 31, 23, 59, 59)},
        {u"24-13-2023 06:30:00 PM", std::nullopt},
        {u"24-12-2023 25:30:00", std::nullopt},
        {u"24-12-2023 13:30:00 PM", std::nullopt},
        {u"24-12-2023 00:30:00 AM", std::nullopt},
        {u"31-12-1600 23:59:59", std::nullopt},
        {u"01-01-30828 00:00:00", std::nullopt},
        {u"29-02-2023 10:00:00", std::nullopt},
        {u"00-12-2023 10:00:00", std::nullopt},
        {u"24-12-2023 10:60:00", std::nullopt},
        {u"24-12-2023 10:00:-1", std::nullopt},
        {u"24-12-2023 10:00", std::nullopt},
        {u"24.12.2023 10:00:00", std::nullopt},
        {u"99999999999-12-2023 10:00:00", std::nullopt},
        {u"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSmsTimestamp(c.text), c.time) << Utf16ToUtf8(c.text);
}

TEST(SmsMessageList, AnswersAreReadInDocumentOrder)
{
    struct Case {
        const char* what;
        std::string answer;
        bool read;
        std::size_t records;
        std::uint32_t unreadable;
    };
    const Case cases[] = {
        {"messages with and without attributes",
         "<QXSync><message-list>"
         "<message folder=\"sent\" from=\"A &amp; B\" to=\"C\" status=\"deleted\" timestamp=\"01-02-2024 "
         "01:00:00 PM\">"
         "line&#13;\nnext</message>"
         "<message timestamp=\"01-02-2024 01:00:00 PM\"/><note/><message/>"
         "</message-list></QXSync>",
         true, 2, 1},
        {"a document without a list", "<QXSync/>", true, 0, 0},
        {"not a document", "<QXSync><message-list>", false, 0, 0},
        {"nothing", "", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmsListAnswer list;
        std::string error;
        EXPECT_EQ(ParseSmsList(c.answer, list, error), c.read) << error;
        EXPECT_EQ(error.empty(), c.read);
        EXPECT_EQ(list.records.size(), c.records);
        EXPECT_EQ(list.unreadable, c.unreadable);
    }
    SmsListAnswer list;
    std::string error;
    ASSERT_TRUE(ParseSmsList(cases[0].answer, list, error));
    const SmsRecord& first = list.records[0];
    EXPECT_EQ(first.folder, u"sent");
    EXPECT_EQ(first.from, u"A & B");
    EXPECT_EQ(first.to, u"C");
    EXPECT_EQ(first.status, u"deleted");
    EXPECT_EQ(first.text, u"line\r\nnext");
    EXPECT_EQ(first.time, At(2024, 2, 1, 13, 0, 0));
    EXPECT_EQ(list.records[1].folder, u"");
    EXPECT_EQ(list.records[1].text, u"");
}

} // namespace
