// The wipe's delete-alls on a private device: what each one reaches, and what it must leave.

#include "FlowHarness.h"
#include "platform/MAPIMsgStore.h"
#include "platform/SimPhonebook.h"
#include "testing/VirtualClock.h"

namespace {

namespace fs = std::filesystem;

// An appointment or a task on that day, 12:00 to 13:00.
std::u16string Calendar(std::u16string_view component, std::u16string_view day)
{
    const std::u16string end = component == u"VEVENT" ? u"DTEND:" : u"DUE:";
    const std::u16string date(day);
    return u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:" + std::u16string(component) + u"\r\nDTSTART:" + date +
           u"T120000\r\n" + end + date + u"T130000\r\nSUMMARY:x\r\nEND:" + std::u16string(component) +
           u"\r\nEND:VCALENDAR\r\n";
}

class DeleteAllTest : public FlowHarness {
protected:
    // 2007-01-01 00:00 UTC: 3650 days before it is 1997-01-03, 3650 days after it 2016-12-29.
    CVirtualClock m_clock;
    ScopedEnv m_zone{"TZ", "UTC"};
};

TEST_F(DeleteAllTest, EachDeleteAllReachesItsDataAndNothingElse)
{
    CClock::Install(&m_clock);
    for (const char16_t* date : {u"19970102", u"19970104", u"20161228", u"20170102"}) {
        AppointmentInfo appointment;
        appointment.data = Calendar(u"VEVENT", date);
        TaskInfo task;
        task.data = Calendar(u"VTODO", date);
        std::unique_ptr<CPimItem> item;
        ASSERT_EQ(m_manager.AddAppointment(appointment, item), S_OK);
        ASSERT_EQ(m_manager.AddTask(task, item), S_OK);
    }
    ContactInfo contact;
    contact.data = u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nEND:VCARD\r\n";
    std::unique_ptr<CPimItem> item;
    ASSERT_EQ(m_manager.AddContact(contact, item), S_OK);

    CSimPhonebook sim;
    ASSERT_TRUE(sim.Initialize());
    // Entries need not sit in the first positions: the last one of a full SIM phonebook too.
    const std::pair<SimPhonebookStorage, std::uint32_t> entries[] = {
        {SIM_PBSTORAGE_SIM, 3}, {SIM_PBSTORAGE_SIM, 7}, {SIM_PBSTORAGE_SIM, 250}, {SIM_PBSTORAGE_OWNNUMBERS, 4},
        {SIM_PBSTORAGE_FIXEDDIALING, 1}};
    for (const auto& [storage, index] : entries)
        ASSERT_TRUE(sim.WriteEntry(storage, index, {u"+4917012345", u"Someone"}));
    EXPECT_FALSE(sim.WriteEntry(SIM_PBSTORAGE_SIM, 251, {u"1", u"beyond the capacity"}));

    const fs::path docs = Root() / "My Documents";
    WriteFile(docs / "a.jpg", "scanned");
    WriteFile(docs / "Sub" / "b.mp3", "scanned");
    WriteFile(docs / "Private" / "c.jpg", "forbidden");
    WriteFile(docs / "Private" / "Deeper" / "d.jpg", "below the forbidden folder");
    WriteFile(docs / "notes.xyz", "no kind");
    WriteFile(Root() / "media" / "Storage Card" / "Music" / "e.mp3", "outside the scanned folders");
    WriteFile(Root() / "media" / "Storage Card" / "DCIM" / "f.jpg", "scanned");
    WriteFile(Root() / "outside.jpg", "outside");
    fs::create_symlink(Root() / "outside.jpg", docs / "link.jpg");
    Settings()->Extensions_Image = u"jpg";
    Settings()->Extensions_Audio = u"mp3";
    Settings()->Forbidden_Folders = u"/My Documents/Private";

    std::string error;
    const std::unique_ptr<MAPIMsgStore> messages = MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", error);
    ASSERT_TRUE(messages) << error;
    const auto folder = [&](MsgSpecialFolder which) { return messages->OpenSpecialFolder(which); };
    for (const MsgSpecialFolder which : {MsgSpecialFolder::Inbox, MsgSpecialFolder::Inbox, MsgSpecialFolder::SentItems,
                                         MsgSpecialFolder::Drafts}) {
        const auto target = folder(which);
        ASSERT_TRUE(target->WriteSms(*target->CreateSmsMessage(), u"hello", u"+4917000", u"+4917999", 1));
    }

    m_service->AppointmentsDeleteAll();
    m_service->TaskDeleteAll();
    m_service->ContactsDeleteAll();
    m_service->FilesDeleteAll();
    m_service->SmsDeleteAll();

    ASSERT_EQ(m_manager.LoadAppointments(100000, 100000), S_OK);
    ItemInfo* left = m_manager.GetNextAppointment();
    ASSERT_NE(left, nullptr);
    EXPECT_NE(left->data.find(u"19970102"), std::u16string::npos) << "3651 days ago survives";
    left = m_manager.GetNextAppointment();
    ASSERT_NE(left, nullptr);
    EXPECT_NE(left->data.find(u"20170102"), std::u16string::npos);
    EXPECT_EQ(m_manager.GetNextAppointment(), nullptr);
    ASSERT_EQ(m_manager.LoadTasks(100000, 100000), S_OK);
    ASSERT_NE(m_manager.GetNextTask(), nullptr);
    ASSERT_NE(m_manager.GetNextTask(), nullptr);
    EXPECT_EQ(m_manager.GetNextTask(), nullptr);
    ASSERT_EQ(m_manager.LoadContacts(), S_OK);
    EXPECT_EQ(m_manager.GetNextContact(), nullptr);
    for (const SimPhonebookStorage storage : kSimPhonebookStorages) {
        SimPhonebookStatus status;
        ASSERT_TRUE(sim.GetStatus(storage, status));
        EXPECT_EQ(status.used, 0u) << storage;
    }

    std::vector<std::size_t> messagesLeft;
    for (const MsgSpecialFolder which : {MsgSpecialFolder::Inbox, MsgSpecialFolder::SentItems, MsgSpecialFolder::Drafts}) {
        std::vector<MsgStoreEntry> listed;
        ASSERT_TRUE(folder(which)->ListMessages(listed));
        messagesLeft.push_back(listed.size());
    }
    EXPECT_EQ(messagesLeft, (std::vector<std::size_t>{0, 0, 1})) << "drafts are no folder of the wipe";

    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(Root())) {
        if (entry.is_regular_file() && entry.path().parent_path() != Root() / "data")
            files.push_back(entry.path().lexically_relative(Root()).string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"My Documents/Private/Deeper/d.jpg", "My Documents/Private/c.jpg",
                                               "My Documents/link.jpg", "My Documents/notes.xyz",
                                               "media/Storage Card/Music/e.mp3", "outside.jpg"}))
        << "a symbolic link is no file of the scan";

    const std::pair<std::u16string_view, std::uint32_t> counted[] = {
        {u"appointments_deleted", 2}, {u"tasks_deleted", 2}, {u"contacts_deleted", 6}, {u"files_deleted", 3}, {u"sms_deleted", 3}};
    for (const auto& [name, count] : counted) {
        std::uint32_t value = 0;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        EXPECT_EQ(value, count) << Utf16ToUtf8(name);
    }
    CClock::Install(nullptr);
}

} // namespace
