#include "OleDate.h"
#include "PimTestSupport.h"
#include "ZoneSupport.h"
#include "pim/CAlmanacFactory.h"
#include "pim/OutlookManager.h"
#include "pim/PimBatch.h"
#include "testing/TempDir.h"
#include "testing/VirtualClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

// 15 March 2007 14:30 UTC.
constexpr FileTime kNow = kFileTimeAt1970 + 1173969000ULL * 10000000ULL;

std::u16string Card(std::u16string_view name)
{
    return u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + std::u16string(name) + u"\r\nEND:VCARD\r\n";
}

std::u16string Event(double start, double end)
{
    std::u16string text = u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nDTSTART:";
    AppendDateText(text, start, false);
    text += u"\r\nDTEND:";
    AppendDateText(text, end, false);
    return text + u"\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

class OutlookManagerTest : public ::testing::Test {
protected:
    OutlookManagerTest()
        : m_zone("UTC")
        , m_clock(kNow)
        , m_manager(CreateMemoryPimStore())
    {
        CClock::Install(&m_clock);
    }
    ~OutlookManagerTest() override { CClock::Install(nullptr); }

    std::u16string AddContact(std::u16string_view name)
    {
        ContactInfo info;
        info.data = Card(name);
        std::unique_ptr<CPimItem> item;
        EXPECT_EQ(m_manager.AddContact(info, item), S_OK);
        return info.luid;
    }

    void AddEvent(double start, double end)
    {
        AppointmentInfo info;
        info.data = Event(start, end);
        std::unique_ptr<CPimItem> item;
        ASSERT_EQ(m_manager.AddAppointment(info, item), S_OK);
    }

    ScopedTimeZone m_zone;
    CVirtualClock m_clock;
    OutlookManager m_manager;
};

} // namespace

TEST_F(OutlookManagerTest, EmptyFolderAndRepeatedLoads)
{
    EXPECT_EQ(m_manager.GetContactsCRC(), 0u);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetContactsCRC(), 4294967295u);
    EXPECT_EQ(m_manager.GetNextContact(), nullptr);
    AddContact(u"A");
    AddContact(u"B");
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    const std::uint32_t first = m_manager.GetContactsCRC();
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetContactsCRC(), first);
    EXPECT_NE(first, 4294967295u);
    ItemInfo* item = m_manager.GetNextContact();
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(m_manager.FillItemText(*item), S_OK);
    EXPECT_EQ(item->data, u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:A;;;;\r\nEND:VCARD");
    ItemInfo check = *item;
    check.CalculateCRC();
    EXPECT_EQ(check.crc, item->crc);
}

TEST_F(OutlookManagerTest, OneCursorForAllLists)
{
    for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E"})
        AddContact(name);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetContactAt(5), nullptr);
    EXPECT_EQ(m_manager.GetNextContact(), nullptr);
    m_manager.ResetContacts();
    EXPECT_EQ(m_manager.GetContactAt(-1), nullptr);
    EXPECT_EQ(m_manager.GetNextContact(), nullptr);

    const ItemInfo* third = m_manager.GetContactAt(2);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(m_manager.GetNextContact(), third);
    EXPECT_EQ(m_manager.GetNextTask(), third + 1); // the same cursor, whichever group asks

    AddEvent(39156.5, 39156.6);
    ASSERT_EQ(m_manager.LoadAppointments(10, 10), S_OK);
    const ItemInfo* appointment = m_manager.GetNextContact();
    ASSERT_NE(appointment, nullptr);
    EXPECT_NE(appointment->data.find(u"BEGIN:VEVENT"), std::u16string::npos);
    EXPECT_EQ(m_manager.GetNextContact(), nullptr);
}

TEST_F(OutlookManagerTest, DateWindowBoundaries)
{
    // Today is 15 March 2007 (OLE 39156); all times in UTC.
    AddEvent(39156.0, 39156.02);  // starts at today's midnight: kept by (0, 0)
    AddEvent(39156.25, 39156.3);  // later today: outside (0, 0)
    AddEvent(39155.5, 39156.1);   // yesterday into today: kept by (0, 0)
    AddEvent(39150.5, 39150.6);   // six days ago: only with 6 days back
    ASSERT_EQ(m_manager.LoadAppointments(0, 0), S_OK);
    std::vector<std::u16string> kept;
    while (const ItemInfo* item = m_manager.GetNextAppointment())
        kept.push_back(item->luid);
    EXPECT_EQ(kept, (std::vector<std::u16string>{u"1", u"3"}));
    ASSERT_EQ(m_manager.LoadAppointments(6, 1), S_OK);
    int count = 0;
    while (m_manager.GetNextAppointment())
        ++count;
    EXPECT_EQ(count, 4);

    // Dates before 30 December 1899: -1.25 is 29 December 06:00, later than -1.0 (29 December 00:00).
    AddEvent(-1.25, -1.5); // 29 Dec 06:00 to 12:00
    AddEvent(-2.25, -2.5); // 28 Dec
    ASSERT_EQ(m_manager.LoadAppointments(39157, -39156), S_OK); // window: 29 Dec 1899 only
    kept.clear();
    while (const ItemInfo* item = m_manager.GetNextAppointment())
        kept.push_back(item->luid);
    EXPECT_EQ(kept, std::vector<std::u16string>{u"5"});
}

TEST_F(OutlookManagerTest, TasksWithoutDatesStay)
{
    TaskInfo info;
    info.data = u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:undated\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    std::unique_ptr<CPimItem> item;
    ASSERT_EQ(m_manager.AddTask(info, item), S_OK);
    info.data = u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nDTSTART:19990101T000000\r\nDUE:19990102T000000\r\n"
                u"END:VTODO\r\nEND:VCALENDAR\r\n";
    ASSERT_EQ(m_manager.AddTask(info, item), S_OK);
    ASSERT_EQ(m_manager.LoadTasks(0, 0), S_OK);
    ASSERT_NE(m_manager.GetTaskAt(0), nullptr);
    EXPECT_EQ(m_manager.GetTaskAt(0)->luid, u"1");
    EXPECT_EQ(m_manager.GetTaskAt(1), nullptr);
}

TEST_F(OutlookManagerTest, AddUpdateDeleteByLuid)
{
    const std::u16string luid = AddContact(u"Old");
    ContactInfo info;
    info.luid = luid;
    info.data = Card(u"New");
    ASSERT_EQ(m_manager.UpdateContact(info), S_OK);
    EXPECT_NE(info.luid, luid);
    EXPECT_EQ(info.data, u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:New;;;;\r\nEND:VCARD");
    ContactInfo expected = info;
    expected.CalculateCRC();
    EXPECT_EQ(info.crc, expected.crc);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    ASSERT_NE(m_manager.GetContactAt(0), nullptr);
    EXPECT_EQ(m_manager.GetContactAt(0)->luid, info.luid);
    EXPECT_EQ(m_manager.GetContactAt(1), nullptr);

    // A list record can be passed straight back.
    EXPECT_EQ(m_manager.DeleteContact(*m_manager.GetContactAt(0)), S_OK);
    EXPECT_EQ(m_manager.DeleteContact(info), E_PIM_NOT_FOUND);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetContactAt(0), nullptr);
}

TEST_F(OutlookManagerTest, FailedUpdateLeavesTheOldItem)
{
    const std::u16string luid = AddContact(u"Keep");
    ContactInfo info;
    info.luid = luid;
    info.data = u"BEGIN:VCARD\r\nN:Broken\r\n"; // no END:VCARD
    EXPECT_EQ(m_manager.UpdateContact(info), E_FAIL);
    EXPECT_EQ(info.luid, luid);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    ASSERT_NE(m_manager.GetContactAt(0), nullptr);
    EXPECT_EQ(m_manager.GetContactAt(0)->luid, luid);
    EXPECT_EQ(m_manager.GetContactAt(1), nullptr); // the half-made item is gone
}

TEST_F(OutlookManagerTest, LuidEdgeCases)
{
    const std::u16string contact = AddContact(u"A");
    TaskInfo empty;
    EXPECT_EQ(m_manager.DeleteTask(empty), E_LUID_NOT_FOUND);
    empty.data = u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    EXPECT_EQ(m_manager.UpdateTask(empty), S_OK); // only adds
    EXPECT_FALSE(empty.luid.empty());

    AppointmentInfo wrongKind;
    wrongKind.luid = contact;
    EXPECT_EQ(m_manager.DeleteAppointment(wrongKind), E_PIM_NOT_FOUND);
    for (const char16_t* luid : {u"abc", u"-1", u"99999999999", u"0"}) {
        ContactInfo bad;
        bad.luid = luid;
        EXPECT_EQ(m_manager.DeleteContact(bad), E_PIM_NOT_FOUND);
    }
    ContactInfo unknownKind;
    unknownKind.data = u"BEGIN:VNOTE\r\nEND:VNOTE\r\n";
    std::unique_ptr<CPimItem> item;
    EXPECT_EQ(m_manager.AddContact(unknownKind, item), E_FAIL);
    EXPECT_EQ(item, nullptr);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetContactAt(1), nullptr);
}

TEST(OutlookManagerWithoutStore, EveryOperationFails)
{
    const auto blocker = std::filesystem::temp_directory_path() / "lumeno-pim-not-a-folder";
    { std::FILE* file = std::fopen(blocker.c_str(), "w"); if (file) std::fclose(file); }
    OutlookManager manager(CreateSqlitePimStore(blocker / "pim.db"));
    EXPECT_EQ(manager.LoadContacts(), E_PIM_NOT_LOGGED_ON);
    EXPECT_EQ(manager.GetContactsCRC(), 0u);
    EXPECT_EQ(manager.GetNextContact(), nullptr);
    ContactInfo info;
    info.data = Card(u"A");
    std::unique_ptr<CPimItem> item;
    EXPECT_EQ(manager.AddContact(info, item), E_PIM_NOT_LOGGED_ON);
    info.luid = u"1";
    EXPECT_EQ(manager.DeleteContact(info), E_PIM_NOT_LOGGED_ON);
    std::filesystem::remove(blocker);
}

TEST(AlmanacFactory, OneManagerPerProcess)
{
    const auto root = std::filesystem::temp_directory_path() / ("lumeno-pim-factory-" + std::to_string(::getpid()));
    ::setenv("LUMENO_DEVICE_ROOT", root.c_str(), 1);
    COutlookMgr* manager = CAlmanacFactory::GetOutlookManager();
    EXPECT_EQ(manager, CAlmanacFactory::GetOutlookManager());
    EXPECT_EQ(manager->LoadContacts(), S_OK);
    EXPECT_TRUE(std::filesystem::exists(root / "data" / "pim.db"));
    ::unsetenv("LUMENO_DEVICE_ROOT");
    std::error_code error;
    std::filesystem::remove_all(root, error);
}

// Adds and updates in a batch reach the store file at Commit, together; the end of the scope commits
// what is left. Another program reading the file sees none of them before.
TEST_F(OutlookManagerTest, BatchedChangesReachTheStoreAtCommit)
{
    TempDir dir;
    OutlookManager writer(CreateSqlitePimStore(dir.Path() / "pim.db"));
    OutlookManager reader(CreateSqlitePimStore(dir.Path() / "pim.db"));
    const auto contacts = [&reader] {
        EXPECT_EQ(reader.LoadContacts(), S_OK);
        std::vector<std::u16string> texts;
        for (ItemInfo* info = reader.GetNextContact(); info; info = reader.GetNextContact()) {
            EXPECT_EQ(reader.FillItemText(*info), S_OK);
            texts.push_back(info->data);
        }
        return texts;
    };
    ContactInfo first;
    {
        CPimBatch batch(writer);
        first.data = Card(u"first");
        ContactInfo second;
        second.data = Card(u"second");
        std::unique_ptr<CPimItem> item;
        ASSERT_EQ(writer.AddContact(first, item), S_OK);
        ASSERT_EQ(writer.AddContact(second, item), S_OK);
        EXPECT_TRUE(contacts().empty());
        ASSERT_EQ(batch.Commit(), S_OK);
        EXPECT_EQ(contacts().size(), 2u);

        first.data = Card(u"renamed");
        ASSERT_EQ(writer.UpdateContact(first), S_OK);
        EXPECT_EQ(contacts().size(), 2u);
        EXPECT_EQ(contacts().front().find(u"renamed"), std::u16string::npos);
    }
    const std::vector<std::u16string> after = contacts();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_NE(after.back().find(u"N:renamed;;;;"), std::u16string::npos);
}
