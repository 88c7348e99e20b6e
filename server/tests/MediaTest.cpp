// Media files through the server as handsets list, upload and download them.

#include "ServerFixture.h"

#include "platform/XmlDom.h"
#include "utils/Base64.h"
#include "utils/QuotedPrintable.h"
#include "utils/Utf.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

struct DeviceFileEntry {
    std::string path; // without "file://"
    std::string content;
    std::string revision;
};

struct ListedFile {
    std::string id;
    std::string name;
    std::string size;
    std::string url;
    std::string status;
    std::string thumbnail;
};

std::string Bytes(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed) * 13 + i / 251) & 0xFF);
    return bytes;
}

std::string DeviceListBody(const std::vector<DeviceFileEntry>& files)
{
    CXmlDocument document;
    CXmlNode list = document.CreateDocumentElement(u"QXSync").AppendElement(u"media-list");
    for (const DeviceFileEntry& file : files)
        list.AppendElement(u"media")
            .SetAttribute(u"url", Utf8ToUtf16("file://" + file.path))
            .SetAttribute(u"size", static_cast<std::uint32_t>(file.content.size()))
            .SetAttribute(u"revision", Utf8ToUtf16(file.revision));
    return document.SerializeUtf8();
}

std::vector<ListedFile> ReadList(const HandsetAnswer& answer)
{
    std::vector<ListedFile> files;
    CXmlDocument document;
    EXPECT_TRUE(document.LoadUtf8(answer.body)) << answer.status << answer.body;
    for (const CXmlNode& list : document.DocumentElement().ChildElements()) {
        for (const CXmlNode& element : list.SelectNodes(u"media")) {
            const auto attribute = [&](std::u16string_view name) {
                return Utf16ToUtf8(element.Attribute(name).value_or(u""));
            };
            const CXmlNode thumbnail = element.Child(0);
            files.push_back({attribute(u"id"), attribute(u"filename"), attribute(u"size"), attribute(u"url"),
                             attribute(u"status"),
                             thumbnail ? Base64DecodeLenient(Utf16ToUtf8(thumbnail.Text())) : ""});
        }
    }
    return files;
}

class MediaTest : public ServerTest {
protected:
    void TearDown() override
    {
        m_first.reset();
        m_second.reset();
        ServerTest::TearDown();
    }

    // Two handsets of one account.
    CTestHandset& First()
    {
        if (!m_first) {
            m_first = std::make_unique<CTestHandset>(m_server.BaseUrl(), "/sync/serv", "DEV1");
            Register(*m_first, "DEV1", "pw");
        }
        return *m_first;
    }

    CTestHandset& Second()
    {
        if (!m_second) {
            m_second = std::make_unique<CTestHandset>(m_server.BaseUrl(), "/sync/serv", "DEV2");
            Join(*m_second, First());
        }
        return *m_second;
    }

    // A negotiated session, then one files list request: POST with the device list, or GET.
    std::vector<ListedFile>
    List(CTestHandset& handset, const std::string& command,
         const std::optional<std::vector<DeviceFileEntry>>& deviceFiles = std::nullopt)
    {
        EXPECT_TRUE(handset.Negotiate("ListUpload"));
        return ReadList(
            handset.Send(command, {}, deviceFiles ? DeviceListBody(*deviceFiles) : std::string()));
    }

    HandsetAnswer UploadChunk(CTestHandset& handset, const std::string& path, std::size_t total,
                              std::size_t offset, std::string_view bytes)
    {
        const std::size_t slash = path.find_last_of('/');
        return handset.Send("Upload",
                            {{"QX-Directory", QuotedPrintableHeader(path.substr(0, slash + 1))},
                             {"QX-FileName", QuotedPrintableHeader(path.substr(slash + 1))},
                             {"QX-TotalSize", std::to_string(total)},
                             {"QX-ChunkOffset", std::to_string(offset)},
                             {"QX-ChunkSize", std::to_string(bytes.size())},
                             {"QX-MaxChunkSize", "102400"}},
                            bytes);
    }

    // Uploads the whole file as the handset does: the next offset is the one the server answers.
    bool Upload(CTestHandset& handset, const DeviceFileEntry& file, std::size_t chunk = 102400)
    {
        EXPECT_TRUE(handset.Negotiate("Upload"));
        std::size_t offset = 0;
        for (int requests = 0; offset < file.content.size() && requests < 1000; ++requests) {
            const std::string_view bytes = std::string_view(file.content).substr(offset, chunk);
            const HandsetAnswer answer = UploadChunk(handset, file.path, file.content.size(), offset, bytes);
            if (answer.status != 200 || answer.HasError())
                return false;
            offset = std::stoul(answer.Header("QX-ChunkOffset").value_or("0"));
        }
        return offset == file.content.size();
    }

    // Downloads the listed files as the handset does, into `device` (path -> content); each download
    // names the file fetched before it, and "Map" the last one.
    void Download(CTestHandset& handset, const std::vector<ListedFile>& files,
                  std::map<std::string, std::string>& device, const std::string& chunk = "65536")
    {
        ASSERT_TRUE(handset.Negotiate("Download"));
        std::string previous;
        std::string previousUrl;
        for (const ListedFile& file : files) {
            const std::string url = file.url.empty() ? "file:///home/user/Pictures/" + file.name : file.url;
            HeaderList headers = {{"QX-MediaID", file.id}};
            if (!previous.empty())
                headers.insert(headers.end(),
                               {{"QX-MapID", previous}, {"QX-FileName", QuotedPrintableHeader(previousUrl)}});
            headers.insert(headers.end(), {{"QX-MaxChunkSize", chunk}, {"QX-ChunkOffset", "0"}});
            HandsetAnswer answer = handset.Send("Download", headers);
            std::string content;
            for (;;) {
                ASSERT_EQ(answer.status, 200) << answer.body;
                ASSERT_FALSE(answer.HasError()) << answer.ErrorMessage();
                EXPECT_EQ(answer.Header("QX-ChunkOffset"), std::to_string(content.size()));
                EXPECT_EQ(answer.Header("QX-ChunkSize"), std::to_string(answer.body.size()));
                EXPECT_LE(answer.body.size(), std::stoul(chunk)) << "within the asked chunk size";
                content += answer.body;
                if (content.size() >= std::stoul(file.size))
                    break;
                answer = handset.Send("GetChunk", {{"QX-MediaID", file.id},
                                                   {"QX-MaxChunkSize", chunk},
                                                   {"QX-ChunkOffset", std::to_string(content.size())}});
            }
            device[url.substr(7)] = content;
            previous = file.id;
            previousUrl = url;
        }
        if (!previous.empty()) {
            const std::string map = "<QXSync><media-list><media url=\"" + previousUrl + "\" id=\"" +
                                    previous + "\" status=\"new\"/></media-list></QXSync>";
            EXPECT_EQ(handset.Send("Map", {{"QX-CommandType", "Files"}}, map).status, 200);
        }
    }

    std::vector<AdminRecord> ServerFiles(bool deleted = false)
    {
        return Admin("list-files", {{"user-id", First().userId}, {"deleted", deleted ? "true" : "false"}})
            .records;
    }

    std::filesystem::path MediaFolder() const { return m_server.DataFolder() / "media"; }

    // The unfinished uploads' byte files under `folder`, by size.
    static std::map<std::uintmax_t, std::filesystem::path> PartialsBySize(const std::filesystem::path& folder)
    {
        std::map<std::uintmax_t, std::filesystem::path> partials;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.path().extension() == ".part")
                partials[entry.file_size()] = entry.path();
        }
        return partials;
    }

    std::unique_ptr<CTestHandset> m_first;
    std::unique_ptr<CTestHandset> m_second;
};

TEST_F(MediaTest, FilesGoUpAndReachASecondHandsetOnce)
{
    std::vector<DeviceFileEntry> phone = {
        {"/home/user/Documents/Caf\xC3\xA9 photo.jpg", Bytes(10000, 1), "3011"},
        {"/media/user/CARD/DCIM/clip.mp4", Bytes(300000, 2), "3012"},
        {"/home/user/Documents/note.txt", Bytes(5, 3), "3013"},
    };
    std::vector<ListedFile> wanted = List(First(), "List", phone);
    ASSERT_EQ(wanted.size(), 3u);
    EXPECT_EQ(wanted[0].status, "new");
    EXPECT_EQ(wanted[0].url, "file://" + phone[0].path);
    EXPECT_EQ(wanted[0].name, "Caf\xC3\xA9 photo.jpg");
    for (const DeviceFileEntry& file : phone)
        ASSERT_TRUE(Upload(First(), file));
    EXPECT_TRUE(List(First(), "ListUpload", phone).empty()) << "everything is on the server";
    phone[2].content = "changed";
    phone[2].revision = "3099";
    wanted = List(First(), "List", phone);
    ASSERT_EQ(wanted.size(), 1u);
    EXPECT_EQ(wanted[0].status, "changed");
    ASSERT_TRUE(Upload(First(), phone[2]));
    ASSERT_TRUE(
        Admin("add-file", {{"user-id", First().userId}, {"name", "song.mp3"}, {"file", Bytes(70000, 4)}})
            .Ok());
    const std::vector<AdminRecord> files = ServerFiles();
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].Get("thumbnail-bytes"), "10000") << "a small image is its own thumbnail";
    EXPECT_EQ(files[1].Get("kind"), "video");
    EXPECT_EQ(files[2].Get("version"), "2");
    EXPECT_TRUE(List(First(), "ListNew").size() == 1u)
        << "only the operator's file is new to the first handset";

    // The second handset fetches everything, once; what it lists afterwards is not wanted back.
    const std::vector<ListedFile> offered = List(Second(), "ListNew");
    ASSERT_EQ(offered.size(), 4u);
    EXPECT_TRUE(offered[0].thumbnail == phone[0].content);
    EXPECT_TRUE(offered[1].thumbnail.empty());
    std::map<std::string, std::string> device;
    Download(Second(), offered, device);
    ASSERT_EQ(device.size(), 4u);
    EXPECT_TRUE(device["/home/user/Pictures/clip.mp4"] == phone[1].content);
    EXPECT_EQ(device["/home/user/Pictures/note.txt"], "changed");
    EXPECT_TRUE(List(Second(), "ListNew").empty());
    std::vector<DeviceFileEntry> secondFiles;
    for (const auto& [path, content] : device)
        secondFiles.push_back({path, content, "9" + std::to_string(content.size())});
    EXPECT_TRUE(List(Second(), "List", secondFiles).empty()) << "downloaded copies are not uploaded back";
    for (const ListedFile& file : List(Second(), "ListServer", secondFiles))
        EXPECT_EQ(file.status, "current") << file.name;

    // A deleted file is offered for deletion, once, at the path of the handset's copy.
    ASSERT_TRUE(Admin("delete-file", {{"user-id", First().userId}, {"id", offered[1].id}}).Ok());
    const std::vector<ListedFile> deletions = List(Second(), "ListNew");
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].status, "deleted");
    EXPECT_EQ(deletions[0].url, "file:///home/user/Pictures/clip.mp4");
    EXPECT_TRUE(List(Second(), "ListNew").empty());
    EXPECT_EQ(List(Second(), "ListDevice").size(), 3u);
}

TEST_F(MediaTest, AnInterruptedUploadResumesAtTheServersOffset)
{
    const DeviceFileEntry video{"/media/user/CARD/DCIM/long.mp4", Bytes(250000, 5), "77"};
    List(First(), "List", std::vector<DeviceFileEntry>{video});
    ASSERT_TRUE(First().Negotiate("Upload"));
    const std::string_view content = video.content;
    EXPECT_EQ(UploadChunk(First(), video.path, content.size(), 0, content.substr(0, 100000))
                  .Header("QX-ChunkOffset"),
              "100000");
    struct Case {
        const char* name;
        std::size_t offset;
        const char* answered;
    };
    const Case cases[] = {
        {"a gap", 200000, "100000"},
        {"the first chunk again, as after a cut connection", 0, "100000"},
        {"the next chunk", 100000, "200000"},
    };
    for (const Case& c : cases) {
        const HandsetAnswer answer = UploadChunk(First(), video.path, content.size(), c.offset,
                                                 content.substr(c.offset, 50000 + c.offset / 2));
        EXPECT_EQ(answer.Header("QX-ChunkOffset"), c.answered) << c.name;
    }
    EXPECT_TRUE(ServerFiles().empty()) << "not whole yet";
    ASSERT_TRUE(Upload(First(), video)) << "a new upload resumes at 200000";
    std::map<std::string, std::string> device;
    Download(Second(), List(Second(), "ListNew"), device, "700");
    EXPECT_TRUE(device["/home/user/Pictures/long.mp4"] == video.content);
}

TEST_F(MediaTest, ADownloadNeverMixesTwoVersionsOfAFile)
{
    DeviceFileEntry clip{"/media/user/CARD/DCIM/clip.mp4", Bytes(250000, 6), "51"};
    List(First(), "List", std::vector<DeviceFileEntry>{clip});
    ASSERT_TRUE(Upload(First(), clip));
    const std::vector<ListedFile> offered = List(Second(), "ListNew");
    ASSERT_EQ(offered.size(), 1u);
    const std::string id = offered[0].id;
    const auto getChunk = [&](std::size_t offset) {
        return Second().Send(
            "GetChunk",
            {{"QX-MediaID", id}, {"QX-MaxChunkSize", "100000"}, {"QX-ChunkOffset", std::to_string(offset)}});
    };
    EXPECT_EQ(getChunk(0).ErrorCode(), "424") << "a chunk of no download started in this session";
    const HandsetAnswer first = Second().Send(
        "Download", {{"QX-MediaID", id}, {"QX-MaxChunkSize", "100000"}, {"QX-ChunkOffset", "0"}});
    ASSERT_TRUE(first.body == clip.content.substr(0, 100000));

    // Another device replaces the file between the second handset's chunks.
    clip.content = Bytes(250000, 7);
    clip.revision = "52";
    List(First(), "List", std::vector<DeviceFileEntry>{clip});
    ASSERT_TRUE(Upload(First(), clip));
    for (const char* attempt : {"the next chunk", "the same chunk asked again"}) {
        const HandsetAnswer refused = getChunk(100000);
        EXPECT_EQ(refused.ErrorCode(), "424") << attempt;
        EXPECT_TRUE(refused.body.empty()) << attempt << ": no bytes of the new version";
        EXPECT_FALSE(refused.Header("QX-ChunkSize")) << attempt;
    }
    std::map<std::string, std::string> device;
    Download(Second(), List(Second(), "ListNew"), device);
    EXPECT_TRUE(device["/home/user/Pictures/clip.mp4"] == clip.content) << "fetched again, whole and new";
}

TEST_F(MediaTest, AnUploadResumesAfterARestartAtTheBytesItsJournalVouchesFor)
{
    enum class Damage { None, TornChunk, LostBytes };
    struct Case {
        const char* name;
        std::size_t held; // sent before the restart, in two chunks
        Damage damage;
        std::size_t answered; // to the next chunk the handset sends after the restart
    };
    const Case cases[] = {
        {"a clean restart", 200000, Damage::None, 250000},
        {"a chunk torn by a crash: bytes without their journal line", 160000, Damage::TornChunk, 250000},
        {"the disk lost the last chunk's bytes", 120000, Damage::LostBytes, 60000},
    };
    std::vector<DeviceFileEntry> files;
    for (const Case& c : cases)
        files.push_back(
            {"/media/user/CARD/DCIM/" + std::to_string(c.held) + ".mp4", Bytes(250000, int(c.held)), "8"});
    List(First(), "List", files);
    ASSERT_TRUE(First().Negotiate("Upload"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string_view content = files[i].content;
        const std::size_t half = cases[i].held / 2;
        UploadChunk(First(), files[i].path, content.size(), 0, content.substr(0, half));
        ASSERT_EQ(UploadChunk(First(), files[i].path, content.size(), half, content.substr(half, half))
                      .Header("QX-ChunkOffset"),
                  std::to_string(cases[i].held));
    }
    ASSERT_TRUE(m_server.Stop());
    std::map<std::uintmax_t, std::filesystem::path> partials = PartialsBySize(MediaFolder() / "uploads");
    for (const Case& c : cases) {
        const std::filesystem::path part = partials.at(c.held);
        if (c.damage == Damage::TornChunk) {
            std::ofstream(part, std::ios::binary | std::ios::app) << std::string(3000, 'x');
            std::filesystem::path journal = part;
            std::ofstream(journal.replace_extension(".journal"), std::ios::binary | std::ios::app)
                << "chunk 163";
        }
        if (c.damage == Damage::LostBytes) {
            std::fstream bytes(part, std::ios::binary | std::ios::in | std::ios::out);
            bytes.seekp(static_cast<std::streamoff>(c.held - 1000));
            bytes << std::string(1000, '\0');
        }
    }

    // The server comes back in the middle of the handset's session, which goes on where it was.
    ASSERT_TRUE(m_server.Restart()) << m_server.Error();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string_view content = files[i].content;
        const std::size_t at = cases[i].held;
        EXPECT_EQ(UploadChunk(First(), files[i].path, content.size(), at, content.substr(at))
                      .Header("QX-ChunkOffset"),
                  std::to_string(cases[i].answered))
            << cases[i].name;
    }
    ASSERT_TRUE(Upload(First(), files[2]));
    std::map<std::string, std::string> device;
    Download(Second(), List(Second(), "ListNew"), device);
    ASSERT_EQ(device.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(device["/home/user/Pictures/" + std::to_string(cases[i].held) + ".mp4"] ==
                    files[i].content)
            << cases[i].name;
    EXPECT_TRUE(PartialsBySize(MediaFolder() / "uploads").empty()) << "finished uploads leave nothing behind";
}

TEST_F(MediaTest, AnUploadWholeButNotStoredIsNotReportedDone)
{
    const DeviceFileEntry photo{"/home/user/Documents/p.jpg", Bytes(150000, 9), "5"};
    List(First(), "List", std::vector<DeviceFileEntry>{photo});
    // Something in the way of the first file's bytes makes storing it fail.
    const std::filesystem::path inTheWay = MediaFolder() / "files" / "1" / "in-the-way";
    std::filesystem::create_directories(inTheWay);
    ASSERT_TRUE(First().Negotiate("Upload"));
    const std::string_view content = photo.content;
    UploadChunk(First(), photo.path, content.size(), 0, content.substr(0, 100000));
    const HandsetAnswer failed =
        UploadChunk(First(), photo.path, content.size(), 100000, content.substr(100000));
    EXPECT_EQ(failed.ErrorCode(), "500");
    EXPECT_FALSE(failed.Header("QX-MediaID"));
    EXPECT_TRUE(ServerFiles().empty());

    // The whole upload is kept: the handset's next try of its last chunk stores it.
    std::filesystem::remove_all(inTheWay.parent_path());
    const HandsetAnswer stored =
        UploadChunk(First(), photo.path, content.size(), 100000, content.substr(100000));
    EXPECT_EQ(stored.Header("QX-ChunkOffset"), "150000");
    EXPECT_TRUE(stored.Header("QX-MediaID"));
    ASSERT_EQ(ServerFiles().size(), 1u);
}

TEST_F(MediaTest, ADeletedAccountTakesItsFilesAndUnfinishedUploadsButNoOneElses)
{
    CTestHandset stranger = Handset("DEV3");
    Register(stranger, "DEV3", "pw3");
    const DeviceFileEntry mine{"/home/user/Documents/mine.txt", Bytes(5000, 10), "1"};
    const DeviceFileEntry theirs{"/home/user/Documents/theirs.txt", Bytes(7000, 11), "1"};
    List(First(), "List", std::vector<DeviceFileEntry>{mine});
    ASSERT_TRUE(Upload(First(), mine));
    ASSERT_TRUE(Admin("add-file", {{"user-id", First().userId}, {"name", "a.txt"}, {"file", "abc"}}).Ok());
    ASSERT_TRUE(Admin("add-file", {{"user-id", First().userId}, {"name", "b.txt"}, {"file", "abcd"}}).Ok());
    List(stranger, "List", std::vector<DeviceFileEntry>{theirs});
    ASSERT_TRUE(Upload(stranger, theirs));
    for (CTestHandset* handset : {&First(), &stranger})
        UploadChunk(*handset, "/d/unfinished.mp4", 10, 0, handset == &stranger ? "123" : "12345");
    const std::filesystem::path files = MediaFolder() / "files";
    ASSERT_TRUE(std::filesystem::exists(files / "3"));

    // A deleted file's bytes go at once; the account's go with it.
    ASSERT_TRUE(Admin("delete-file", {{"user-id", First().userId}, {"id", "3"}}).Ok());
    EXPECT_FALSE(std::filesystem::exists(files / "3"));
    const AdminReply deleted = Admin("delete-account", {{"user-id", First().userId}});
    ASSERT_TRUE(deleted.Ok()) << deleted.error;
    for (const char* id : {"1", "2", "3"})
        EXPECT_FALSE(std::filesystem::exists(files / id)) << "file " << id;
    EXPECT_TRUE(std::filesystem::exists(files / "4")) << "the stranger's file stays";
    const std::map<std::uintmax_t, std::filesystem::path> partials =
        PartialsBySize(MediaFolder() / "uploads");
    ASSERT_EQ(partials.size(), 1u);
    EXPECT_EQ(partials.begin()->first, 3u) << "only the stranger's unfinished upload stays";

    struct Case {
        const char* name;
        AdminFields fields;
        int status;
    };
    const Case refusals[] = {
        {"the account again", {{"user-id", First().userId}}, 404},
        {"no account named", {}, 400},
    };
    for (const Case& c : refusals)
        EXPECT_EQ(Admin("delete-account", c.fields).status, c.status) << c.name;
    EXPECT_EQ(Admin("list-files", {{"user-id", First().userId}}).status, 404);
    ASSERT_TRUE(Admin("add-account", {{"user-id", First().userId}}).Ok());
    EXPECT_TRUE(ServerFiles(true).empty()) << "an account of the same name starts with nothing";
    ASSERT_TRUE(stranger.Negotiate("Download"));
    const HandsetAnswer fetched = stranger.Send("Download", {{"QX-MediaID", "4"}, {"QX-ChunkOffset", "0"}});
    EXPECT_TRUE(fetched.body == theirs.content) << "the stranger's file is still whole";
}

TEST_F(MediaTest, ADeviceKeepsABoundedNumberOfUnfinishedUploads)
{
    ASSERT_TRUE(First().Negotiate("Upload"));
    // Each upload gets its first byte of two; then the oldest has been dropped, so its second byte is
    // answered with offset 0 (start again), while the newest one completes.
    for (int n = 0; n <= 16; ++n)
        ASSERT_EQ(UploadChunk(First(), "/d/f" + std::to_string(n), 2, 0, "a").Header("QX-ChunkOffset"), "1");
    EXPECT_EQ(UploadChunk(First(), "/d/f0", 2, 1, "b").Header("QX-ChunkOffset"), "0");
    EXPECT_EQ(UploadChunk(First(), "/d/f16", 2, 1, "b").Header("QX-ChunkOffset"), "2");
}

TEST_F(MediaTest, HostileMediaRequestsAreRefused)
{
    ASSERT_TRUE(First().Negotiate("Upload"));
    const auto upload = [](const std::string& directory, const std::string& name, const std::string& total,
                           const std::string& offset, const std::string& size) {
        return HeaderList{{"QX-Directory", directory},
                          {"QX-FileName", name},
                          {"QX-TotalSize", total},
                          {"QX-ChunkOffset", offset},
                          {"QX-ChunkSize", size}};
    };
    struct Case {
        const char* name;
        std::string command;
        HeaderList headers;
        std::string body;
        const char* refusal; // in the body of a 400, or the QX-ErrorCode
    };
    const Case cases[] = {
        {"a name with a folder", "Upload", upload("/a/", "=2E=2E/x", "3", "0", "3"), "abc", "device path"},
        {"a name that is ..", "Upload", upload("/a/", "..", "3", "0", "3"), "abc", "device path"},
        {"a directory without /", "Upload", upload("/a", "x", "3", "0", "3"), "abc", "device path"},
        {"bad quoted-printable", "Upload", upload("/a/", "x=ZZ", "3", "0", "3"), "abc", "quoted-printable"},
        {"a control character", "Upload", upload("/a/", "x=0Ay", "3", "0", "3"), "abc", "device path"},
        {"a size the body does not have", "Upload", upload("/a/", "x", "9", "0", "3"), "ab", "does not fit"},
        {"past the total", "Upload", upload("/a/", "x", "3", "2", "2"), "ab", "does not fit"},
        {"a total past 2 GiB", "Upload", upload("/a/", "x", "4294967296", "0", "1"), "a", "QX-TotalSize"},
        {"a device list with an http url",
         "List",
         {},
         "<QXSync><media-list><media url=\"http://x/a.jpg\" size=\"1\" "
         "revision=\"1\"/></media-list></QXSync>",
         "device file"},
        {"a device list with a negative size",
         "List",
         {},
         "<QXSync><media-list><media url=\"file:///a.jpg\" size=\"-1\" "
         "revision=\"1\"/></media-list></QXSync>",
         "device file"},
        {"a map without id",
         "Map",
         {{"QX-CommandType", "Files"}},
         "<QXSync><media-list><media url=\"file:///a.jpg\"/></media-list></QXSync>",
         "media id"},
        {"a chunk of 0 bytes asked",
         "Download",
         {{"QX-MediaID", "1"}, {"QX-ChunkOffset", "0"}, {"QX-MaxChunkSize", "0"}},
         "",
         "QX-MaxChunkSize"},
        {"a file of no one", "Download", {{"QX-MediaID", "999"}, {"QX-ChunkOffset", "0"}}, "", "424"},
        {"a chunk without a file", "GetChunk", {{"QX-ChunkOffset", "0"}}, "", "QX-CommandType"},
    };
    for (const Case& c : cases) {
        const HandsetAnswer answer = First().Send(c.command, c.headers, c.body);
        if (answer.status == 200)
            EXPECT_EQ(answer.ErrorCode(), c.refusal) << c.name;
        else
            EXPECT_NE(answer.body.find(c.refusal), std::string::npos) << c.name << ": " << answer.body;
    }
    EXPECT_TRUE(ServerFiles().empty());
}

} // namespace
