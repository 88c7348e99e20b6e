#include "platform/PimStore.h"
#include "platform/Sqlite.h"

#include "testing/TempDir.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

#include <algorithm>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::unique_ptr<CPimItem> NewItem(PimStore& store, PimFolder folder)
{
    std::unique_ptr<CPimItem> item;
    CPimItems(store, folder).Add(item);
    return item;
}

std::vector<std::uint32_t> Oids(PimStore& store, PimFolder folder)
{
    CPimItems items(store, folder);
    std::int32_t count = 0;
    items.Count(count);
    std::vector<std::uint32_t> oids;
    for (std::int32_t position = 1; position <= count; ++position) {
        std::unique_ptr<CPimItem> item;
        EXPECT_EQ(items.Item(position, item), S_OK);
        oids.push_back(item->Oid());
    }
    return oids;
}

class PimStoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        m_store = GetParam() ? CreateSqlitePimStore(m_dir.Path() / "pim.db") : CreateMemoryPimStore();
        ASSERT_EQ(m_store->Logon(), S_OK);
    }

    TempDir m_dir;
    std::unique_ptr<PimStore> m_store;
};

} // namespace

TEST_P(PimStoreTest, PositionsFollowIdsAfterDeletes)
{
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < 5; ++i) {
        auto item = NewItem(*m_store, PimFolder::Contacts);
        EXPECT_EQ(item->Oid(), 0u);
        ASSERT_EQ(item->Save(), S_OK);
        ids.push_back(item->Oid());
    }
    auto task = NewItem(*m_store, PimFolder::Tasks);
    ASSERT_EQ(task->Save(), S_OK);
    EXPECT_GT(task->Oid(), ids.back());

    std::unique_ptr<CPimItem> found;
    ASSERT_EQ(FindPimItem(*m_store, ids[1], found), S_OK);
    EXPECT_EQ(found->Delete(), S_OK);
    EXPECT_EQ(found->Delete(), E_PIM_NOT_FOUND);
    EXPECT_EQ(FindPimItem(*m_store, ids[1], found), E_PIM_NOT_FOUND);
    EXPECT_EQ(Oids(*m_store, PimFolder::Contacts), (std::vector{ids[0], ids[2], ids[3], ids[4]}));
    EXPECT_EQ(Oids(*m_store, PimFolder::Tasks), std::vector{task->Oid()});

    CPimItems contacts(*m_store, PimFolder::Contacts);
    std::unique_ptr<CPimItem> item;
    EXPECT_EQ(contacts.Item(0, item), E_PIM_INVALID_ARG);
    EXPECT_EQ(contacts.Item(5, item), E_PIM_INVALID_ARG);

    // Deleting the item with the highest id does not free its id.
    ASSERT_EQ(FindPimItem(*m_store, task->Oid(), found), S_OK);
    ASSERT_EQ(found->Delete(), S_OK);
    auto next = NewItem(*m_store, PimFolder::Tasks);
    ASSERT_EQ(next->Save(), S_OK);
    EXPECT_GT(next->Oid(), task->Oid());
    // Saving an item that was deleted meanwhile fails and brings nothing back.
    EXPECT_EQ(task->Save(), E_PIM_NOT_FOUND);
}

TEST_P(PimStoreTest, FieldsPictureAndRecurrenceSurviveSaveAndLoad)
{
    auto item = NewItem(*m_store, PimFolder::Calendar);
    ASSERT_EQ(item->SetText(PimField::Subject, u"Planung Жуков 😀"), S_OK);
    ASSERT_EQ(item->SetDate(PimField::Start, 39156.416666666664), S_OK);
    ASSERT_EQ(item->SetDate(PimField::End, -1.25), S_OK);
    ASSERT_EQ(item->SetInteger(PimField::ReminderMinutesBeforeStart, 15), S_OK);
    ASSERT_EQ(item->SetFlag(PimField::ReminderSet, true), S_OK);
    PimRecurrence* pattern = nullptr;
    ASSERT_EQ(item->GetRecurrencePattern(pattern), S_OK);
    EXPECT_EQ(pattern->patternStartDate, 39156.0); // the day the appointment starts
    pattern->recurrenceType = 1;
    pattern->dayOfWeekMask = 42;
    pattern->occurrences = 10;
    pattern->noEndDate = false;
    pattern->exceptionDates = {39163.416666666664, 39170.416666666664};
    ASSERT_EQ(item->Save(), S_OK);

    std::unique_ptr<CPimItem> loaded;
    ASSERT_EQ(FindPimItem(*m_store, item->Oid(), loaded), S_OK);
    std::u16string text;
    double date = 0;
    std::int32_t number = 0;
    EXPECT_EQ(loaded->GetText(PimField::Subject, text), S_OK);
    EXPECT_EQ(text, u"Planung Жуков 😀");
    loaded->GetDate(PimField::Start, date);
    EXPECT_EQ(date, 39156.416666666664);
    loaded->GetDate(PimField::End, date);
    EXPECT_EQ(date, -1.25);
    loaded->GetInteger(PimField::ReminderMinutesBeforeStart, number);
    EXPECT_EQ(number, 15);
    loaded->GetFlag(PimField::ReminderSet, number);
    EXPECT_EQ(number, -1);
    loaded->GetDate(PimField::DueDate, date);
    EXPECT_EQ(date, NO_DATE);
    EXPECT_EQ(loaded->GetDate(PimField::Subject, date), E_PIM_INVALID_ARG);
    EXPECT_EQ(loaded->GetProperty(static_cast<std::uint32_t>(PimField::Location), text), E_PIM_NOT_FOUND);
    bool recurs = false;
    loaded->GetIsRecurring(recurs);
    ASSERT_TRUE(recurs);
    ASSERT_EQ(loaded->GetRecurrencePattern(pattern), S_OK);
    EXPECT_EQ(pattern->dayOfWeekMask, 42);
    EXPECT_EQ(pattern->occurrences, 10);
    EXPECT_FALSE(pattern->noEndDate);
    EXPECT_EQ(pattern->exceptionDates, (std::vector{39163.416666666664, 39170.416666666664}));

    // Set by property id saves at once.
    ASSERT_EQ(loaded->SetProperty(static_cast<std::uint32_t>(PimField::Location), u"Raum 4"), S_OK);
    ASSERT_EQ(loaded->ClearRecurrencePattern(), S_OK);
    ASSERT_EQ(loaded->Save(), S_OK);
    std::unique_ptr<CPimItem> again;
    ASSERT_EQ(FindPimItem(*m_store, item->Oid(), again), S_OK);
    EXPECT_EQ(again->GetProperty(static_cast<std::uint32_t>(PimField::Location), text), S_OK);
    EXPECT_EQ(text, u"Raum 4");
    again->GetIsRecurring(recurs);
    EXPECT_FALSE(recurs);

    auto contact = NewItem(*m_store, PimFolder::Contacts);
    EXPECT_EQ(contact->GetRecurrencePattern(pattern), E_PIM_INVALID_ARG);

    // 29 December 1899 06:00 lies on day -1.
    auto early = NewItem(*m_store, PimFolder::Calendar);
    early->SetDate(PimField::Start, -1.25);
    ASSERT_EQ(early->GetRecurrencePattern(pattern), S_OK);
    EXPECT_EQ(pattern->patternStartDate, -1.0);
}

TEST_P(PimStoreTest, PictureStreamReadsInBlocksAndSeeks)
{
    auto item = NewItem(*m_store, PimFolder::Contacts);
    std::string bytes(2500, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    std::unique_ptr<CPimPictureStream> stream;
    ASSERT_EQ(item->OpenPicture(PictureAccess::Write, stream), S_OK);
    std::uint32_t count = 0;
    ASSERT_EQ(stream->Write(bytes.data(), 1000, &count), S_OK);
    ASSERT_EQ(stream->Write(bytes.data() + 1000, 1500, &count), S_OK);
    ASSERT_EQ(stream->Commit(), S_OK);
    ASSERT_EQ(item->Save(), S_OK);

    std::unique_ptr<CPimItem> loaded;
    ASSERT_EQ(FindPimItem(*m_store, item->Oid(), loaded), S_OK);
    ASSERT_EQ(loaded->OpenPicture(PictureAccess::Read, stream), S_OK);
    std::string read;
    char block[1024];
    do {
        ASSERT_EQ(stream->Read(block, sizeof block, &count), S_OK);
        read.append(block, count);
    } while (count > 0);
    EXPECT_EQ(read, bytes);
    std::uint64_t position = 99;
    ASSERT_EQ(stream->Seek(0, SeekOrigin::Begin, &position), S_OK);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(stream->Seek(-1, SeekOrigin::Begin, &position), E_PIM_INVALID_ARG);
    EXPECT_EQ(stream->Write(block, 1, &count), E_PIM_INVALID_ARG);
    ASSERT_EQ(stream->Read(block, 3, &count), S_OK);
    EXPECT_EQ(std::string(block, count), bytes.substr(0, 3));

    auto task = NewItem(*m_store, PimFolder::Tasks);
    EXPECT_EQ(task->OpenPicture(PictureAccess::Read, stream), E_PIM_INVALID_ARG);
}

INSTANTIATE_TEST_SUITE_P(Backends, PimStoreTest, ::testing::Values(true, false),
                         [](const auto& backend) { return backend.param ? "Sqlite" : "Memory"; });

TEST(PimStoreSqlite, PersistsAcrossReopenWithPrivateMode)
{
    TempDir dir;
    const auto path = dir.Path() / "data" / "pim.db";
    std::uint32_t oid = 0;
    {
        auto store = CreateSqlitePimStore(path);
        auto item = NewItem(*store, PimFolder::Contacts);
        EXPECT_EQ(item->Save(), E_PIM_NOT_LOGGED_ON);
        ASSERT_EQ(store->Logon(), S_OK);
        item->SetText(PimField::LastName, u"Müller");
        ASSERT_EQ(item->Save(), S_OK);
        oid = item->Oid();
    }
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    auto store = CreateSqlitePimStore(path);
    ASSERT_EQ(store->Logon(), S_OK);
    std::unique_ptr<CPimItem> item;
    ASSERT_EQ(FindPimItem(*store, oid, item), S_OK);
    std::u16string name;
    item->GetText(PimField::LastName, name);
    EXPECT_EQ(name, u"Müller");
    // The id travels as "%u" and comes back through a signed conversion.
    char text[16];
    std::snprintf(text, sizeof text, "%u", item->Oid());
    EXPECT_EQ(static_cast<std::uint32_t>(std::atol(text)), oid);
}

TEST(PimStoreSqlite, NoIdAtOrAbove2To31)
{
    TempDir dir;
    const auto path = dir.Path() / "pim.db";
    auto store = CreateSqlitePimStore(path);
    ASSERT_EQ(store->Logon(), S_OK);
    auto first = NewItem(*store, PimFolder::Contacts);
    ASSERT_EQ(first->Save(), S_OK);
    {
        CSqliteDb db;
        ASSERT_TRUE(db.Open(path).Ok());
        ASSERT_TRUE(db.Exec("UPDATE sqlite_sequence SET seq = 2147483646 WHERE name = 'items'").Ok());
    }
    auto last = NewItem(*store, PimFolder::Contacts);
    ASSERT_EQ(last->Save(), S_OK);
    EXPECT_EQ(last->Oid(), kPimMaxObjectId);
    auto beyond = NewItem(*store, PimFolder::Contacts);
    EXPECT_EQ(beyond->Save(), E_PIM_FULL);
    EXPECT_EQ(beyond->Oid(), 0u);
    EXPECT_EQ(Oids(*store, PimFolder::Contacts).size(), 2u);
    // In a batch too the failed save leaves no row of its own behind.
    ASSERT_EQ(store->BeginBatch(), S_OK);
    EXPECT_EQ(beyond->Save(), E_PIM_FULL);
    ASSERT_EQ(store->EndBatch(BatchEnd::Commit), S_OK);
    EXPECT_EQ(Oids(*store, PimFolder::Contacts).size(), 2u);
}

// Killed wherever it is, a writer leaves whole items only: saved one by one, or in batches, each of
// which is kept whole or not at all.
TEST(PimStoreSqlite, KilledWriterLeavesAConsistentStore)
{
    for (const char* mode : {"single", "batches"}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        const auto path = dir.Path() / "pim.db";
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        std::string program = LUMENO_PIM_STORE_STRESS;
        std::string file = path.string();
        std::string how = mode;
        char* argv[] = {program.data(), file.data(), how.data(), nullptr};
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);

        // Let it save a while, then kill it wherever it is.
        FILE* output = ::fdopen(pipeFds[0], "r");
        char line[64];
        int saved = 0;
        while (saved < 300 && std::fgets(line, sizeof line, output))
            ++saved;
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        std::fclose(output);
        ASSERT_EQ(saved, 300);

        {
            CSqliteDb db;
            ASSERT_TRUE(db.Open(path).Ok());
            CSqliteStatement check = db.Prepare("PRAGMA integrity_check");
            ASSERT_TRUE(check.Step());
            EXPECT_EQ(check.Text(0), "ok");
        }
        auto store = CreateSqlitePimStore(path);
        ASSERT_EQ(store->Logon(), S_OK);
        std::vector<PimRecord> records;
        ASSERT_EQ(store->LoadFolder(PimFolder::Contacts, records), S_OK);
        EXPECT_GE(records.size(), 300u);
        if (how == "batches") {
            EXPECT_EQ(records.size() % 7, 0u) << "only whole batches of seven new items";
        }
        for (const PimRecord& record : records) {
            ASSERT_EQ(record.fields.size(), 21u) << "item " << record.oid;
            for (const PimFieldValue& value : record.fields)
                EXPECT_EQ(value.text, record.fields.front().text) << "item " << record.oid;
        }
    }
}

// Saves in a batch reach the store together at its end, or not at all; a save that fails in the batch
// takes back its own writes only, and loads in the batch see its saves.
TEST_P(PimStoreTest, BatchKeepsWholeSavesTogether)
{
    ASSERT_EQ(m_store->BeginBatch(), S_OK);
    EXPECT_EQ(m_store->BeginBatch(), E_PIM_INVALID_ARG);
    auto kept = NewItem(*m_store, PimFolder::Contacts);
    kept->SetText(PimField::LastName, u"kept");
    ASSERT_EQ(kept->Save(), S_OK);
    auto gone = NewItem(*m_store, PimFolder::Contacts);
    ASSERT_EQ(gone->Save(), S_OK);
    ASSERT_EQ(m_store->DeleteRecord(gone->Oid()), S_OK);
    gone->SetText(PimField::LastName, u"gone");
    EXPECT_EQ(gone->Save(), E_PIM_NOT_FOUND);
    EXPECT_EQ(Oids(*m_store, PimFolder::Contacts), std::vector<std::uint32_t>{kept->Oid()});
    ASSERT_EQ(m_store->EndBatch(BatchEnd::Commit), S_OK);
    EXPECT_EQ(m_store->EndBatch(BatchEnd::Commit), E_PIM_INVALID_ARG);

    ASSERT_EQ(m_store->BeginBatch(), S_OK);
    ASSERT_EQ(NewItem(*m_store, PimFolder::Contacts)->Save(), S_OK);
    ASSERT_EQ(m_store->DeleteRecord(kept->Oid()), S_OK);
    ASSERT_EQ(m_store->EndBatch(BatchEnd::Discard), S_OK);
    EXPECT_EQ(Oids(*m_store, PimFolder::Contacts), std::vector<std::uint32_t>{kept->Oid()});
}

// Map entries go with the batch of the items they name: kept by a commit, dropped by a discard; each
// kind's own, in the order appended, until cleared.
TEST_P(PimStoreTest, UnsentMapEntriesFollowTheirBatch)
{
    const PimMapEntry first{u"1", u"g1", u"11", u"added"};
    const PimMapEntry second{u"2", u"g2 ü", u"22", u"updated"};
    const PimMapEntry other{u"", u"g3", u"", u"deleted"};
    struct Step {
        const char* name;
        bool clearFirst; // the contacts' map, in the batch
        std::vector<PimMapEntry> append; // to the contacts, in a batch
        BatchEnd end;
        std::vector<PimMapEntry> contacts; // kept afterwards
    };
    const Step steps[] = {
        {"discarded before any", false, {first}, BatchEnd::Discard, {}},
        {"committed", false, {first}, BatchEnd::Commit, {first}},
        {"discarded", false, {second}, BatchEnd::Discard, {first}},
        {"cleared and discarded", true, {second}, BatchEnd::Discard, {first}},
        {"appended after", false, {second}, BatchEnd::Commit, {first, second}},
    };
    ASSERT_EQ(m_store->AppendUnsentMap(u"TODO", {other}), S_OK) << "outside a batch too";
    const auto same = [](const std::vector<PimMapEntry>& a, const std::vector<PimMapEntry>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
                   return x.luid == y.luid && x.guid == y.guid && x.crc == y.crc && x.status == y.status;
               });
    };
    std::vector<PimMapEntry> kept;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(m_store->BeginBatch(), S_OK);
        ASSERT_EQ(NewItem(*m_store, PimFolder::Contacts)->Save(), S_OK);
        if (step.clearFirst) {
            ASSERT_EQ(m_store->ClearUnsentMap(u"Contacts"), S_OK);
        }
        ASSERT_EQ(m_store->AppendUnsentMap(u"Contacts", step.append), S_OK);
        ASSERT_EQ(m_store->EndBatch(step.end), S_OK);
        ASSERT_EQ(m_store->LoadUnsentMap(u"Contacts", kept), S_OK);
        EXPECT_TRUE(same(kept, step.contacts));
    }
    ASSERT_EQ(m_store->ClearUnsentMap(u"Contacts"), S_OK);
    ASSERT_EQ(m_store->LoadUnsentMap(u"Contacts", kept), S_OK);
    EXPECT_TRUE(kept.empty());
    ASSERT_EQ(m_store->LoadUnsentMap(u"TODO", kept), S_OK);
    EXPECT_TRUE(same(kept, {other})) << "another kind's map stays";
}

TEST_P(PimStoreTest, DeferredSavesReachTheStoreInOneSave)
{
    auto item = NewItem(*m_store, PimFolder::Contacts);
    item->DeferSaves(true);
    ASSERT_EQ(item->SetProperty(static_cast<std::uint32_t>(PimField::Nickname), u"Bo"), S_OK);
    std::unique_ptr<CPimPictureStream> picture;
    ASSERT_EQ(item->OpenPicture(PictureAccess::Write, picture), S_OK);
    std::uint32_t written = 0;
    ASSERT_EQ(picture->Write("jpg", 3, &written), S_OK);
    ASSERT_EQ(picture->Commit(), S_OK);
    ASSERT_EQ(item->Save(), S_OK);
    EXPECT_TRUE(Oids(*m_store, PimFolder::Contacts).empty()) << "a deferred item must not be stored yet";

    item->DeferSaves(false);
    ASSERT_EQ(item->Save(), S_OK);
    ASSERT_EQ(Oids(*m_store, PimFolder::Contacts), std::vector<std::uint32_t>{item->Oid()});
    PimRecord stored;
    ASSERT_EQ(m_store->LoadRecord(item->Oid(), stored), S_OK);
    EXPECT_TRUE(stored.hasPicture);
}
