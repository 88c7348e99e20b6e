// The contacts, appointments and tasks flows against a scripted server: every request and document
// in order per mode, the whole-list shortcut, the empty-phone question, chunks both ways, and what a
// broken or hostile server must not be able to do.

#include "FlowHarness.h"
#include "platform/DevicePaths.h"
#include "platform/XmlDom.h"
#include "service/BrandingTexts.h"
#include "service/PimDocuments.h"
#include "testing/ScriptedUiPort.h"

#include <ctime>
#include <fstream>
#include <functional>
#include <regex>
#include <set>

namespace {

// The restore chunk bound of the flows.
constexpr std::size_t kMaxTestChunkRequests = 10000;

struct KindCase {
    const char* name;
    RETURNED_RES (TesselService::*backup)(HWND, std::u16string_view);
    RETURNED_RES (TesselService::*restore)(HWND, std::u16string_view);
    std::string commandType;
    std::string list;
    std::string item;
    std::string listName;
    std::string textElement;
    int firstText;        // the first progress report of a backup
    std::u16string added; // the kind's "added" counter
};

const KindCase kContacts{"contacts",
                         &TesselService::ContactsBackupFlow,
                         &TesselService::ContactsRestoreFlow,
                         "Contacts",
                         "contact-list",
                         "contact",
                         "Contacts",
                         "vcard",
                         42,
                         u"contacts_added"};
const KindCase kAppointments{"appointments",
                             &TesselService::AppointmentBackupFlow,
                             &TesselService::AppointmentRestoreFlow,
                             "Events",
                             "event-list",
                             "event",
                             "APPOINTMENT",
                             "vcal",
                             83,
                             u"appointments_added"};
const KindCase kTasks{"tasks",
                      &TesselService::TaskBackupFlow,
                      &TesselService::TaskRestoreFlow,
                      "Todo",
                      "todo-list",
                      "todo",
                      "TODO",
                      "vcal",
                      83,
                      u"tasks_added"};

// "YYYYMMDDT100000" of the local day `days` from today.
std::string Day(int days)
{
    const std::time_t when = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT100000", &local);
    return text;
}

std::string ItemText(const KindCase& kind, const std::string& title, int day = 0)
{
    if (kind.item == "contact")
        return "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + title + ";Ann\r\nEND:VCARD\r\n";
    const std::string component = kind.item == "event" ? "VEVENT" : "VTODO";
    const std::string end = kind.item == "event" ? "DTEND:" : "DUE:";
    return "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:" + component + "\r\nSUMMARY:" + title +
           "\r\nDTSTART:" + Day(day) + "\r\n" + end + Day(day) + "\r\nEND:" + component +
           "\r\nEND:VCALENDAR\r\n";
}

std::string Envelope(const std::string& list, const std::string& items)
{
    return "<?xml version=\"1.0\"?><QXSync><" + list + ">" + items + "</" + list + "></QXSync>";
}

std::string Requested(const KindCase& kind, const std::vector<std::string>& luids)
{
    std::string items;
    for (const std::string& luid : luids)
        items += "<" + kind.item + " luid=\"" + luid + "\"/>";
    return Envelope(kind.list, items);
}

// One item of a restore chunk; an empty luid leaves the attribute out.
std::string RestoreItem(const KindCase& kind, const std::string& guid, const std::string& status,
                        const std::string& text, const std::string& luid = {})
{
    std::string item = "<" + kind.item + (luid.empty() ? "" : " luid=\"" + luid + "\"") + " guid=\"" + guid +
                       "\" status=\"" + status + "\"><" + kind.textElement + "><![CDATA[" + text + "]]></" +
                       kind.textElement + "></" + kind.item + ">";
    return item;
}

CScriptedHttp::Headers Sizes(std::uint32_t total, std::uint32_t offset)
{
    return {{"QX-TotalSize", std::to_string(total)}, {"QX-ChunkOffset", std::to_string(offset)}};
}

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class PimFlowTest : public FlowHarness {
protected:
    void SetUp() override
    {
        FlowHarness::SetUp();
        m_user = std::make_unique<CScriptedUiPort>();
        CUiPort::Install(m_user.get());
        Settings()->Calendar_Timeframe_Back = 30;
        Settings()->Calendar_Timeframe_Fwd = 365;
    }

    void TearDown() override
    {
        FlowHarness::TearDown();
        CUiPort::Install(nullptr);
        m_user.reset();
    }

    // The next case of a table: a fresh service and server script, an empty store.
    void StartCase()
    {
        TearDown();
        SetUp();
        m_server.Reset();
        m_service->SummaryEmptyAll();
        for (const char16_t* list : {u"Contacts", u"APPOINTMENT", u"TODO"})
            m_manager.ClearUnsentMap(list);
        for (const KindCase* kind : {&kContacts, &kAppointments, &kTasks}) {
            for (const auto& [luid, crc] : Items(*kind)) {
                ItemInfo info;
                info.luid = Utf8ToUtf16(luid);
                kind->item == "contact" ? m_manager.DeleteContact(info)
                : kind->item == "event" ? m_manager.DeleteAppointment(info)
                                        : m_manager.DeleteTask(info);
            }
        }
    }

    // Adds an item to the handset's store; its luid.
    std::string Add(const KindCase& kind, const std::string& text)
    {
        ItemInfo info;
        info.data = Utf8ToUtf16(text);
        std::unique_ptr<CPimItem> item;
        const HRESULT status = kind.item == "contact" ? m_manager.AddContact(info, item)
                               : kind.item == "event" ? m_manager.AddAppointment(info, item)
                                                      : m_manager.AddTask(info, item);
        EXPECT_TRUE(Succeeded(status)) << text;
        return Utf16ToUtf8(info.luid);
    }

    // The handset's items of a kind: luid -> crc.
    std::map<std::string, std::string> Items(const KindCase& kind)
    {
        std::map<std::string, std::string> items;
        if (kind.item == "contact")
            m_manager.LoadContacts();
        else if (kind.item == "event")
            m_manager.LoadAppointments(30, 365);
        else
            m_manager.LoadTasks(30, 365);
        while (const ItemInfo* item = m_manager.GetNextContact())
            items[Utf16ToUtf8(item->luid)] = Utf16ToUtf8(item->crc);
        return items;
    }

    RETURNED_RES Run(RETURNED_RES (TesselService::*flow)(HWND, std::u16string_view), std::u16string_view mode)
    {
        return (m_service->*flow)(m_window->Handle(), mode);
    }

    std::uint32_t Counter(std::u16string_view name)
    {
        std::uint32_t value = 0;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }

    std::unique_ptr<CScriptedUiPort> m_user;
};

TEST_F(PimFlowTest, SyncSendsEveryHeaderAndDocumentInOrder)
{
    for (const KindCase* kind : {&kContacts, &kAppointments, &kTasks}) {
        SCOPED_TRACE(kind->name);
        StartCase();
        Settings()->All_Contacts = 0;
        const std::string first = Add(*kind, ItemText(*kind, "First"));
        const std::string second = Add(*kind, ItemText(*kind, "Second"));
        if (kind->item != "contact")
            Add(*kind, ItemText(*kind, "Long ago", -40)); // outside the date window
        const std::map<std::string, std::string> before = Items(*kind);

        m_server.Answer({}, Requested(*kind, {second}));
        m_server.Answer(Sizes(1, 1),
                        Envelope(kind->list, RestoreItem(*kind, "g7", "added", ItemText(*kind, "New"))));
        m_server.Answer(CScriptedHttp::Headers{});
        ASSERT_EQ(Run(kind->backup, u"Sync"), RES_OK);
        ASSERT_EQ(Run(kind->restore, u"Sync"), RES_OK);

        EXPECT_EQ(m_server.Commands(), (std::vector<std::string>{"Crc", "Sync", "Map"}));
        const std::vector<RecordedRequest> requests = m_server.Requests();
        for (const RecordedRequest& request : requests)
            EXPECT_EQ(request.Header("QX-CommandType"), kind->commandType);
        // The checksum list: every item of the window, attributes in order.
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(Count(requests[0].body, "<" + kind->item + " "), 2);
        EXPECT_NE(requests[0].body.find("<" + kind->list + "><" + kind->item + " listname=\"" +
                                        kind->listName + "\" luid=\"" + first + "\" crc=\"" +
                                        before.at(first) + "\"/>"),
                  std::string::npos)
            << requests[0].body;
        // The upload: only what was asked for, with its text.
        const RecordedRequest& upload = requests[1];
        EXPECT_EQ(upload.Header("QX-TotalSize"), "1");
        EXPECT_EQ(upload.Header("QX-ChunkOffset"), "0");
        EXPECT_EQ(upload.Header("QX-ChunkSize"), "1");
        EXPECT_EQ(upload.Header("QX-MaxChunkSize"), "102400");
        const std::vector<std::string>& lines = upload.headerLines;
        const auto at = [&](const char* name) {
            return std::find_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.starts_with(name); }) -
                   lines.begin();
        };
        EXPECT_LT(at("QX-Command:"), at("QX-CommandType:"));
        EXPECT_LT(at("QX-CommandType:"), at("QX-TotalSize:"));
        EXPECT_LT(at("QX-TotalSize:"), at("QX-ChunkOffset:"));
        EXPECT_LT(at("QX-ChunkOffset:"), at("QX-ChunkSize:"));
        EXPECT_LT(at("QX-ChunkSize:"), at("QX-MaxChunkSize:"));
        EXPECT_NE(upload.body.find("<" + kind->item + " crc=\"" + before.at(second) + "\" listname=\"" +
                                   kind->listName + "\" luid=\"" + second + "\" status=\"added\"><" +
                                   kind->textElement + "><![CDATA["),
                  std::string::npos)
            << upload.body;
        EXPECT_EQ(Count(upload.body, "Second"), 1);
        EXPECT_EQ(Count(upload.body, "First"), 0);
        // The map names the new item's luid and checksum on the handset.
        const std::map<std::string, std::string> after = Items(*kind);
        ASSERT_EQ(after.size(), before.size() + 1);
        std::string added;
        for (const auto& [luid, crc] : after) {
            if (!before.contains(luid))
                added = luid;
        }
        EXPECT_NE(requests[2].body.find("<" + kind->item + " listname=\"" + kind->listName + "\" luid=\"" +
                                        added + "\" guid=\"g7\" crc=\"" + after.at(added) +
                                        "\" status=\"added\"/>"),
                  std::string::npos)
            << requests[2].body;
        EXPECT_EQ(Counter(kind->added), 1u);
        EXPECT_EQ(Counter(u"contacts_uploaded"), kind->item == "contact" ? 1u : 0u);
        // Only contacts keep the whole-list checksum after a completed sync.
        EXPECT_EQ(Settings()->All_Contacts != 0, kind->item == "contact");
        const std::vector<ProgressReport> progress = m_window->Progress();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.front().text, BrandingText(kind->firstText));
        EXPECT_EQ(progress.back().value, 100);
    }
}

TEST_F(PimFlowTest, RestoreModeSendsTheWholeListFirst)
{
    const std::string luid = Add(kContacts, ItemText(kContacts, "Kept"));
    Items(kContacts);
    Settings()->All_Contacts = static_cast<std::int32_t>(m_manager.GetContactsCRC());
    m_server.Answer(Sizes(2, 0), Envelope("contact-list", RestoreItem(kContacts, "g1", "deleted", "", luid) +
                                                              RestoreItem(kContacts, "g2", "added",
                                                                          ItemText(kContacts, "Back"))));
    m_server.Answer(CScriptedHttp::Headers{});

    ASSERT_EQ(Run(kContacts.restore, u"Restore"), RES_OK);

    EXPECT_EQ(m_server.Commands(), (std::vector<std::string>{"Restore", "Map"}));
    const RecordedRequest request = m_server.Requests()[0];
    EXPECT_EQ(request.Header("QX-MaxChunkSize"), "102400");
    EXPECT_EQ(Count(request.body, "<contact "), 1) << "the whole list, whatever the stored checksum";
    const std::map<std::string, std::string> items = Items(kContacts);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_FALSE(items.contains(luid));
    EXPECT_EQ(Counter(u"contacts_deleted"), 1u);
    EXPECT_EQ(Counter(u"contacts_added"), 1u);
}

TEST_F(PimFlowTest, UnchangedContactsSendNoListAndOneEmptyChunk)
{
    Add(kContacts, ItemText(kContacts, "Same"));
    Items(kContacts);
    Settings()->All_Contacts = static_cast<std::int32_t>(m_manager.GetContactsCRC());
    m_server.Answer({}, Envelope("contact-list", ""));
    m_server.Answer(Sizes(0, 0), Envelope("contact-list", ""));
    m_server.Answer(CScriptedHttp::Headers{});

    ASSERT_EQ(Run(kContacts.backup, u"Sync"), RES_OK);
    ASSERT_EQ(Run(kContacts.restore, u"Sync"), RES_OK);

    EXPECT_EQ(m_server.Commands(), (std::vector<std::string>{"Crc", "Sync", "Map"}));
    const std::vector<RecordedRequest> requests = m_server.Requests();
    EXPECT_EQ(requests[0].body.find("contact-list"), std::string::npos) << requests[0].body;
    for (const char* header : {"QX-TotalSize", "QX-ChunkOffset", "QX-ChunkSize"})
        EXPECT_EQ(requests[1].Header(header), "0") << header;
}

TEST_F(PimFlowTest, EmptyPhoneAsksBeforeASync)
{
    struct Case {
        const char* name;
        std::u16string mode;
        std::int32_t storedChecksum;
        int answer; // 0: no question expected
        RETURNED_RES result;
        std::vector<std::string> commands;
        bool stopped;
    };
    const Case cases[] = {
        {"backup sends nothing", u"Backup", 5, 0, RES_OK, {}, false},
        {"never synchronised", u"Sync", 0, 0, RES_OK, {"Crc", "Sync"}, false},
        {"yes restores", u"Sync", 5, IDYES, RES_USER_CONFIRMED, {}, false},
        {"no goes on", u"Sync", 5, IDNO, RES_OK, {"Crc", "Sync"}, false},
        {"cancel stops", u"Sync", 5, IDCANCEL, RES_OK, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartCase();
        Settings()->All_Contacts = c.storedChecksum;
        m_server.Answer({}, Envelope("contact-list", ""));
        m_server.Answer(Sizes(0, 0), Envelope("contact-list", ""));
        if (c.answer)
            m_user->Answer(c.answer);

        EXPECT_EQ(Run(kContacts.backup, c.mode), c.result);

        EXPECT_EQ(m_server.Commands(), c.commands);
        EXPECT_EQ(m_user->ShownBoxes().size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(m_user->ShownBoxes()[0].text, BrandingText(kTextNoContactsQuestion));
            EXPECT_EQ(m_user->ShownBoxes()[0].caption, BrandingText(kTextNoContactsCaption));
        }
        EXPECT_EQ(UI_Sync::GetInstanceUISync()->IsStopped(), c.stopped);
        EXPECT_EQ(Counter(u"contacts_uploaded"), 0u);
    }
}

TEST_F(PimFlowTest, SeveralChunksBothWaysAddUp)
{
    // About 500 of these fill one upload chunk.
    std::vector<std::string> luids;
    for (int i = 0; i < 1200; ++i)
        luids.push_back(Add(kContacts, ItemText(kContacts, "Person" + std::to_string(i))));
    m_server.Answer({}, Requested(kContacts, luids));
    std::uint32_t received = 0;
    m_server.Respond([&](const RecordedRequest& request) {
        const std::string command = request.Header("QX-Command").value_or("");
        if (command == "Sync") {
            received += static_cast<std::uint32_t>(std::stoul(request.Header("QX-ChunkSize").value_or("0")));
            if (received < luids.size())
                return CScriptedHttp::Ok({{"QX-ChunkOffset", std::to_string(received)}});
            // The first of three restore chunks, two items each.
            return CScriptedHttp::Ok(
                Sizes(6, 2),
                Envelope("contact-list", RestoreItem(kContacts, "a", "added", ItemText(kContacts, "A")) +
                                             RestoreItem(kContacts, "b", "added", ItemText(kContacts, "B"))));
        }
        if (command == "GetChunk" && request.Header("QX-ChunkOffset") == "2")
            return CScriptedHttp::Ok(
                Sizes(6, 4),
                Envelope("contact-list",
                         RestoreItem(kContacts, "c", "added", ItemText(kContacts, "C")) +
                             RestoreItem(kContacts, "d", "updated", ItemText(kContacts, "D"), luids[1])));
        if (command == "GetChunk")
            return CScriptedHttp::Ok(
                Sizes(6, 6),
                Envelope("contact-list", RestoreItem(kContacts, "e", "deleted", "", luids[0]) +
                                             RestoreItem(kContacts, "f", "deleted", "", "999999")));
        return CScriptedHttp::Ok({});
    });

    ASSERT_EQ(Run(kContacts.backup, u"Sync"), RES_OK);
    ASSERT_EQ(Run(kContacts.restore, u"Sync"), RES_OK);

    const std::vector<RecordedRequest> requests = m_server.Requests();
    std::set<std::string> uploaded;
    std::uint32_t offset = 0;
    int chunks = 0;
    for (const RecordedRequest& request : requests) {
        if (request.Header("QX-Command") != "Sync")
            continue;
        ++chunks;
        EXPECT_EQ(request.Header("QX-ChunkOffset"), std::to_string(offset));
        EXPECT_LT(request.body.size(), 2u * 102400u);
        offset += static_cast<std::uint32_t>(std::stoul(request.Header("QX-ChunkSize").value_or("0")));
        for (std::size_t at = request.body.find(" luid=\""); at != std::string::npos;
             at = request.body.find(" luid=\"", at + 1)) {
            const std::size_t start = at + 7;
            const std::string luid = request.body.substr(start, request.body.find('"', start) - start);
            EXPECT_TRUE(uploaded.insert(luid).second) << luid << " sent twice";
        }
    }
    EXPECT_GE(chunks, 3);
    EXPECT_EQ(uploaded.size(), luids.size());
    EXPECT_EQ(Counter(u"contacts_uploaded"), 1200u);
    EXPECT_EQ(m_server.Commands().back(), "Map");
    EXPECT_EQ(Count(requests.back().body, "<contact "), 6);
    // Counted over all three chunks, not the last one only.
    EXPECT_EQ(Counter(u"contacts_added"), 3u);
    EXPECT_EQ(Counter(u"contacts_updated"), 1u);
    EXPECT_EQ(Counter(u"contacts_deleted"), 1u);
    EXPECT_EQ(Counter(u"contacts_failed"), 1u) << "the deletion of an item the handset does not have";
    EXPECT_EQ(Items(kContacts).size(), 1200u + 3 - 1);
}

TEST_F(PimFlowTest, BrokenOrHostileServerCannotMakeTheFlowsLoopOrOverrun)
{
    struct Case {
        const char* name;
        const KindCase* kind;
        std::u16string mode;
        bool restore;
        // The server, given the handset's two items.
        std::function<HttpResponse(const RecordedRequest&, const std::vector<std::string>&)> server;
        RETURNED_RES result;
        std::size_t maxRequests;
        std::size_t itemsAfter;
    };
    const auto requestedThenOffsetZero = [](const RecordedRequest& request,
                                            const std::vector<std::string>& luids) {
        if (request.Header("QX-Command") == "Crc")
            return CScriptedHttp::Ok({}, Requested(kContacts, {luids[0], "424242", luids[1], luids[0]}));
        return CScriptedHttp::Ok({{"QX-ChunkOffset", "0"}});
    };
    const auto moreThanAnnounced = [](const RecordedRequest& request, const std::vector<std::string>&) {
        if (request.Header("QX-Command") != "Restore")
            return CScriptedHttp::Ok({});
        std::string items;
        for (const char* guid : {"x", "y", "z"})
            items += RestoreItem(kContacts, guid, "added", ItemText(kContacts, guid));
        return CScriptedHttp::Ok(Sizes(1, 1), Envelope("contact-list", items));
    };
    const auto hugeTotalThenNothing = [](const RecordedRequest& request, const std::vector<std::string>&) {
        if (request.Header("QX-Command") == "Restore")
            return CScriptedHttp::Ok(
                Sizes(4000000000u, 1),
                Envelope("contact-list", RestoreItem(kContacts, "x", "added", ItemText(kContacts, "X"))));
        return CScriptedHttp::Ok(Sizes(4000000000u, 1), Envelope("contact-list", ""));
    };
    const auto oneItemForever = [](const RecordedRequest& request, const std::vector<std::string>&) {
        if (request.Header("QX-Command") == "Map")
            return CScriptedHttp::Ok({});
        return CScriptedHttp::Ok(
            Sizes(4000000000u, 1),
            Envelope("contact-list", RestoreItem(kContacts, "x", "deleted", "", "999999")));
    };
    const auto withoutTotal = [](const KindCase* kind) {
        return [kind](const RecordedRequest& request, const std::vector<std::string>&) {
            if (request.Header("QX-Command") == "Map")
                return CScriptedHttp::Ok({});
            return CScriptedHttp::Ok(
                {}, Envelope(kind->list, RestoreItem(*kind, "x", "added", ItemText(*kind, "X"))));
        };
    };
    const auto notADocument = [](const RecordedRequest& request, const std::vector<std::string>&) {
        if (request.Header("QX-Command") == "Map")
            return CScriptedHttp::Ok({});
        return CScriptedHttp::Ok(Sizes(0, 0), "<QXSync><contact-list><contact guid=");
    };
    const Case cases[] = {
        {"asked for a luid it lacks, twice for another, offset moved back", &kContacts, u"Backup", false,
         requestedThenOffsetZero, RES_OK, 3, 2},
        {"more items than announced", &kContacts, u"Restore", true, moreThanAnnounced, RES_OK, 2, 5},
        {"a huge total, then chunks without items", &kContacts, u"Restore", true, hugeTotalThenNothing,
         RES_ERROR, 2, 3},
        {"one item per chunk for ever", &kContacts, u"Restore", true, oneItemForever, RES_ERROR,
         kMaxTestChunkRequests + 1, 2},
        {"contacts without QX-TotalSize", &kContacts, u"Restore", true, withoutTotal(&kContacts), RES_ERROR,
         1, 2},
        {"appointments without size headers", &kAppointments, u"Restore", true, withoutTotal(&kAppointments),
         RES_OK, 2, 3},
        {"an answer that is not a document", &kContacts, u"Restore", true, notADocument, RES_OK, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartCase();
        const std::vector<std::string> luids = {Add(*c.kind, ItemText(*c.kind, "One")),
                                                Add(*c.kind, ItemText(*c.kind, "Two"))};
        m_server.Respond([&](const RecordedRequest& request) { return c.server(request, luids); });

        EXPECT_EQ(Run(c.restore ? c.kind->restore : c.kind->backup, c.mode), c.result);

        EXPECT_LE(m_server.Requests().size(), c.maxRequests);
        EXPECT_EQ(Items(*c.kind).size(), c.itemsAfter);
        if (c.result == RES_OK && c.restore) {
            EXPECT_EQ(m_server.Commands().back(), "Map");
        }
    }
}

TEST_F(PimFlowTest, ItemTextHoldingTheEndOfACDataSectionTravelsWhole)
{
    const std::string text = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Ann\r\nNOTE:a]]>b\r\nEND:VCARD\r\n";
    const std::string luid = Add(kContacts, text);
    m_server.Answer({}, Requested(kContacts, {luid}));
    // The server splits the section as XML writers must.
    m_server.Answer(Sizes(1, 1),
                    Envelope("contact-list",
                             "<contact guid=\"g\" status=\"added\"><vcard><![CDATA[BEGIN:VCARD\r\n"
                             "VERSION:2.1\r\nN:Roe;Bo\r\nNOTE:c]]]]><![CDATA[>d\r\nEND:VCARD\r\n]]></vcard>"
                             "</contact>"));
    m_server.Answer(CScriptedHttp::Headers{});

    ASSERT_EQ(Run(kContacts.backup, u"Sync"), RES_OK);
    ASSERT_EQ(Run(kContacts.restore, u"Sync"), RES_OK);

    const RestoreChunk sent = ParseRestoreChunk(Utf8ToUtf16(m_server.Requests()[1].body), u"contact");
    ASSERT_TRUE(sent.loaded);
    EXPECT_TRUE(sent.cut) << "an upload item has no guid";
    CXmlDocument upload;
    ASSERT_TRUE(upload.LoadUtf8(m_server.Requests()[1].body, XmlLineEnds::Keep));
    EXPECT_NE(upload.DocumentElement().ChildElements()[0].ChildElements()[0].ChildElements()[0].Text().find(
                  u"NOTE:a]]>b\r\n"),
              std::u16string::npos);
    bool restored = false;
    m_manager.LoadContacts();
    while (ItemInfo* item = m_manager.GetNextContact())
        restored = restored || (m_manager.FillItemText(*item) == S_OK && item->data.find(u"c]]>d") != std::u16string::npos);
    EXPECT_TRUE(restored);
}

TEST_F(PimFlowTest, UnreadableStoreIsAnErrorNotAnEmptyList)
{
    // A store whose folder is a file.
    std::ofstream(Root() / "file") << "not a folder";
    OutlookManager broken(CreateSqlitePimStore(Root() / "file" / "pim.db"));
    ConnectedServiceTest::TearDown();
    CAlmanacFactory::InstallOutlookManager(&broken);
    ConnectedServiceTest::SetUp();
    m_server.Respond(
        [](const RecordedRequest&) { return CScriptedHttp::Ok(Sizes(0, 0), Envelope("event-list", "")); });

    for (const KindCase* kind : {&kContacts, &kAppointments, &kTasks}) {
        SCOPED_TRACE(kind->name);
        EXPECT_EQ(Run(kind->backup, u"Backup"), RES_ERROR);
        EXPECT_EQ(Run(kind->restore, u"Restore"), RES_ERROR);
    }
    EXPECT_TRUE(m_server.Requests().empty());
    ConnectedServiceTest::TearDown();
    CAlmanacFactory::InstallOutlookManager(&m_manager);
    ConnectedServiceTest::SetUp();
}

// Applied items whose map the server never took: the kind's next flow, whatever its mode, sends that
// map before anything else, once; until it gets through, the flow sends nothing else.
TEST_F(PimFlowTest, AMapThatDidNotArriveGoesFirstNextTime)
{
    struct Case {
        const char* name;
        RETURNED_RES (TesselService::*flow)(HWND, std::u16string_view);
        std::u16string mode;
        std::string next; // the command after the kept map
    };
    const Case cases[] = {
        {"sync", kContacts.backup, u"Sync", "Crc"},
        {"backup", kContacts.backup, u"Backup", "Crc"},
        {"restore", kContacts.restore, u"Restore", "Restore"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        StartCase();
        Add(kContacts, ItemText(kContacts, "Kept"));
        m_server.Answer({}, Requested(kContacts, {}));
        m_server.Answer(Sizes(1, 1), Envelope("contact-list", RestoreItem(kContacts, "g7", "added",
                                                                          ItemText(kContacts, "New"))));
        HttpResponse refused = CScriptedHttp::Ok({});
        refused.status = 500;
        m_server.Answer(refused); // the map
        ASSERT_EQ(Run(kContacts.backup, u"Sync"), RES_OK);
        EXPECT_NE(Run(kContacts.restore, u"Sync"), RES_OK);
        const std::string lostMap = m_server.Requests().back().body.substr(
            m_server.Requests().back().body.find("<contact-list>"));
        ASSERT_NE(lostMap.find("guid=\"g7\""), std::string::npos) << lostMap;

        // While the map does not get through, nothing else is sent.
        m_server.Reset();
        EXPECT_NE(Run(test.flow, test.mode), RES_OK);
        EXPECT_EQ(m_server.Commands(), (std::vector<std::string>{"Map"}));

        m_server.Reset();
        m_server.Answer(CScriptedHttp::Headers{});
        m_server.Respond([](const RecordedRequest&) { return CScriptedHttp::Ok(Sizes(0, 0), Envelope("contact-list", "")); });
        Run(test.flow, test.mode);
        Run(test.flow, test.mode);
        const std::vector<RecordedRequest> requests = m_server.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(requests[0].Header("QX-Command"), "Map");
        EXPECT_TRUE(requests[0].body.ends_with(lostMap)) << requests[0].body;
        EXPECT_EQ(requests[1].Header("QX-Command"), test.next);
        const std::vector<std::string> commands = m_server.Commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "Map"),
                  test.mode == u"Restore" ? 3 : 1) << "the kept map once, then each restore's own";
    }
}

// A map the build before kept in a file goes with the next flow's first map and is removed once the
// server has it; a file that is no map is set aside, never sent and never read again.
TEST_F(PimFlowTest, AMapFileOfTheBuildBeforeIsSentUntilTheServerHasIt)
{
    struct Case {
        const char* name;
        std::string file;
        int mapStatus;
        bool sent;     // a Map holding the file's item goes first
        bool stays;    // the file is still in place after the flow
        bool setAside; // moved beside itself, out of the way
    };
    const std::string map =
        Envelope("contact-list",
                 "<contact listname=\"Contacts\" luid=\"77\" guid=\"g9\" crc=\"5\" status=\"added\"/>");
    const Case cases[] = {
        {"delivered", map, 200, true, false, false},
        {"refused", map, 500, true, true, false},
        {"not XML", "<QXSync><contact-list><contact luid=", 200, false, false, true},
        {"item without guid", Envelope("contact-list", "<contact luid=\"1\" status=\"added\"/>"), 200, false,
         false, true},
        {"another kind's map", Envelope("event-list", ""), 200, false, false, true},
    };
    const std::filesystem::path path = CDevicePaths::ProgramFolder() / "unsent-maps" / "Contacts.xml";
    const std::filesystem::path aside = path.string() + ".unreadable";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        StartCase();
        Add(kContacts, ItemText(kContacts, "Kept"));
        std::filesystem::remove(aside);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << test.file;
        HttpResponse mapAnswer = CScriptedHttp::Ok({});
        mapAnswer.status = test.mapStatus;
        if (test.sent)
            m_server.Answer(mapAnswer);
        m_server.Respond([](const RecordedRequest&) {
            return CScriptedHttp::Ok(Sizes(0, 0), Envelope("contact-list", ""));
        });
        EXPECT_EQ(Run(kContacts.backup, u"Sync") == RES_OK, test.mapStatus == 200);
        const std::vector<RecordedRequest> requests = m_server.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests[0].Header("QX-Command") == "Map", test.sent);
        EXPECT_EQ(requests[0].body.find("luid=\"77\" guid=\"g9\" crc=\"5\" status=\"added\"") !=
                      std::string::npos,
                  test.sent)
            << requests[0].body;
        EXPECT_EQ(std::filesystem::exists(path), test.stays);
        EXPECT_EQ(std::filesystem::exists(aside), test.setAside);
    }
}

} // namespace
