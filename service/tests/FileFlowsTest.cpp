// The file flows against a scripted server on a private device: the scan, the list exchange, the
// upload and the download in chunks, and what they do with paths, names, sizes and offsets a hostile
// or broken server sends.

#include "FileRecord.h"
#include "FlowHarness.h"
#include "service/FileListDocuments.h"
#include "service/Messages.h"
#include "utils/Base64.h"

namespace {

namespace fs = std::filesystem;

HttpResponse Answer(CScriptedHttp::Headers headers, std::string body = {})
{
    HttpResponse response = CScriptedHttp::Ok(std::move(headers), std::move(body));
    response.contentLength = response.body.size();
    response.bodyComplete = true;
    return response;
}

// An answer whose connection ends after `body`, short of the `announced` length.
HttpResponse Cut(CScriptedHttp::Headers headers, std::string body)
{
    HttpResponse response = Answer(std::move(headers), std::move(body));
    response.contentLength = response.body.size() * 2;
    response.bodyComplete = false;
    response.error = "connection reset by peer";
    return response;
}

// The answer with a Content-Length that does not match what it sends.
HttpResponse Announcing(std::uint64_t length, HttpResponse response)
{
    response.contentLength = length;
    return response;
}

std::u16string Url(const fs::path& path)
{
    return u"file://" + Utf8ToUtf16(path.string());
}

// A ticked server file.
FILE_OBJECT ServerFile(std::u16string name, std::int64_t size, std::int32_t id, std::u16string path = {})
{
    FILE_OBJECT file = FileRecord(std::move(name), size, FILE_KIND_IMAGE, std::move(path));
    file.id = id;
    file.selected = 1;
    return file;
}

// "<prefix><byte at each offset>": content whose every chunk differs.
std::string Content(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i * 7 % 26);
    return bytes;
}

class FileFlowsTest : public FlowHarness {
protected:
    void SetUp() override
    {
        FlowHarness::SetUp();
        Settings()->Extensions_Image = u"jpg;png";
        Settings()->Extensions_Video = u"3gp;mp4";
        Settings()->Extensions_Audio = u"mp3";
        Settings()->Extensions_Other = u"txt;pdf";
        Settings()->File_Chunk_Size = 100000;
        Settings()->File_Download_Chunk_Size = 100000;
        // The harness's server lives across the cases of a table, which start over with SetUp.
        m_earlier = m_server.Requests().size();
        m_server.Respond({});
    }

    fs::path Docs() const { return Root() / "My Documents"; }
    fs::path Pictures() const { return Docs() / "My Pictures"; }
    fs::path Card() const { return Root() / "media" / "Storage Card"; }

    std::uint32_t Summary(std::u16string_view name) const
    {
        std::uint32_t value = 0;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }

    // Requests sent since SetUp.
    std::vector<RecordedRequest> Sent() const
    {
        std::vector<RecordedRequest> requests = m_server.Requests();
        requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(m_earlier));
        return requests;
    }

    // Files left in a folder whose names start with "." (staged downloads).
    static std::vector<std::string> HiddenFiles(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().front() == '.')
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::size_t m_earlier = 0;
};

TEST_F(FileFlowsTest, ScanListsFilesOfTheEnabledKindsInTheScannedFolders)
{
    WriteFile(Docs() / "notes.txt", "notes");
    WriteFile(Docs() / "IMG_0001.JPG", "jpeg");
    WriteFile(Docs() / "photo.pg", "a substring of jpg");
    WriteFile(Docs() / "empty.jpg", "");
    WriteFile(Docs() / ".hidden.jpg", "hidden");
    WriteFile(Docs() / "noextension", "x");
    WriteFile(Docs() / "dot.", "x");
    WriteFile(Root() / "outside.jpg", "outside");
    fs::create_symlink(Root() / "outside.jpg", Docs() / "link.jpg");
    fs::create_directories(Root() / "elsewhere");
    fs::create_directory_symlink(Root() / "elsewhere", Docs() / "linked");
    WriteFile(Root() / "elsewhere" / "far.jpg", "far");
    WriteFile(Docs() / "Private" / "secret.jpg", "forbidden by device path");
    WriteFile(Docs() / "Private" / "Sub" / "deeper.jpg", "below a forbidden folder");
    WriteFile(Docs() / "Sub" / "clip.3gp", "video");
    WriteFile(Pictures() / "p.png", "png");
    WriteFile(Card() / "DCIM" / "100" / "card.jpg", "card");
    WriteFile(Card() / "DCIM" / "200" / "hidden by host path.jpg", "x");
    WriteFile(Card() / "Music" / "song.mp3", "not in a scanned folder");
    WriteFile(Card() / "My Documents" / "tune.mp3", "audio");
    Settings()->Forbidden_Folders = u"/my documents/PRIVATE;;" + Utf8ToUtf16((Card() / "DCIM" / "200").string()) + u"/";

    struct Case {
        std::array<int, 4> kinds;
        std::vector<std::pair<fs::path, std::u16string>> files; // path, name
    };
    const Case cases[] = {
        {{1, 1, 1, 1},
         {{Docs() / "IMG_0001.JPG", u"IMG_0001.jpg"},
          {Pictures() / "p.png", u"p.png"},
          {Docs() / "Sub" / "clip.3gp", u"clip.3gp"},
          {Docs() / "notes.txt", u"notes.txt"},
          {Docs() / "photo.pg", u"photo.pg"},
          {Card() / "My Documents" / "tune.mp3", u"tune.mp3"},
          {Card() / "DCIM" / "100" / "card.jpg", u"card.jpg"}}},
        {{0, 0, 1, 0}, {{Card() / "My Documents" / "tune.mp3", u"tune.mp3"}}},
    };
    for (const Case& c : cases) {
        FileList list;
        ASSERT_EQ(m_service->FilesGetList(list, c.kinds[0], c.kinds[1], c.kinds[2], c.kinds[3]), RES_OK);
        std::vector<std::pair<fs::path, std::u16string>> found;
        for (const FILE_OBJECT& file : list) {
            found.emplace_back(Utf16ToUtf8(LocalPathOf(file)), file.name);
            EXPECT_EQ(file.status, u"new");
            EXPECT_EQ(file.size, static_cast<std::int64_t>(fs::file_size(Utf16ToUtf8(LocalPathOf(file)))));
            EXPECT_EQ(file.revision.find_first_not_of(u"0123456789"), std::u16string::npos);
            EXPECT_GT(file.revision.size(), 10u);
        }
        EXPECT_EQ(found, c.files);
    }
}

TEST_F(FileFlowsTest, ListFlowSendsTheDeviceListAndTakesTheServersList)
{
    const std::string picture = "\x89PNG\r\n\x1a\n" + std::string(100, '\x7f');
    std::string encoded = Base64Encode(picture);
    encoded.insert(40, "\r\n ");
    const std::string answer = "<QXSync><media-list>"
                               "<media id=\"7\" size=\"1234\" url=\"file:///x/a.jpg\" filename=\"A.JPG\" status=\"new\">" +
                               encoded +
                               "</media>"
                               "<media id=\"x\" size=\"-5\" filename=\"Clip.MP4\" status=\"deleted\"/>"
                               "<media filename=\"strange.xyz\"/>"
                               "</media-list></QXSync>";
    FILE_OBJECT device;
    device.path = u"file:///My Documents/a.jpg";
    device.size = 3000000000;
    device.revision = u"29876543211234567890";
    struct Case {
        int sendDeviceList;
        std::string body;
        RETURNED_RES result;
    };
    const Case cases[] = {{1, answer, RES_OK}, {0, answer, RES_OK}, {1, "not a document", RES_ERROR}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sendDeviceList);
        m_server.Answer(Answer({}, c.body));
        FileList list = {device};
        EXPECT_EQ(m_service->FilesListFlow(m_window->Handle(), u"ListUpload", list, c.sendDeviceList), c.result);
        const RecordedRequest sent = m_server.Requests().back();
        EXPECT_EQ(sent.Header("QX-Command"), "ListUpload");
        EXPECT_EQ(sent.method, c.sendDeviceList ? "POST" : "GET");
        if (c.sendDeviceList) {
            EXPECT_NE(sent.body.find("<media-list><media url=\"file:///My Documents/a.jpg\" size=\"3000000000\" "
                                     "revision=\"29876543211234567890\"/></media-list>"),
                      std::string::npos)
                << sent.body;
        } else {
            EXPECT_TRUE(sent.body.empty());
        }
        if (c.result != RES_OK) {
            EXPECT_EQ(list.size(), 1u) << "a list that cannot be read replaces nothing";
            EXPECT_EQ(ReadFile(Root() / "res.xml"), "not a document");
            continue;
        }
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[0].id, 7);
        EXPECT_EQ(list[0].size, 1234);
        EXPECT_EQ(list[0].path, u"file:///x/a.jpg");
        EXPECT_EQ(list[0].name, u"A.JPG") << "the server's name, written as it is by a download";
        EXPECT_EQ(list[0].kind, FILE_KIND_IMAGE);
        EXPECT_EQ(std::string(list[0].thumbnail.begin(), list[0].thumbnail.end()), picture);
        EXPECT_EQ(list[1].size, 0);
        EXPECT_EQ(list[1].id, 0);
        EXPECT_EQ(list[1].name, u"Clip.MP4");
        EXPECT_EQ(list[1].kind, FILE_KIND_VIDEO);
        EXPECT_EQ(list[1].status, u"deleted");
        EXPECT_TRUE(list[1].thumbnail.empty());
        EXPECT_EQ(list[2].kind, FILE_KIND_OTHER);
    }
}

TEST_F(FileFlowsTest, UploadSendsEachFileInChunksWithItsHeaders)
{
    const std::string content = Content(250000);
    WriteFile(Docs() / "IMG_0001.JPG", content);
    WriteFile(Docs() / "empty.txt", "");
    FileList list;
    ASSERT_EQ(m_service->FilesGetList(list, 1, 0, 0, 0), RES_OK);
    list.push_back(ServerFile(u"empty.txt", 0, 0, Url(Docs() / "empty.txt")));
    list.push_back(ServerFile(u"skipped.txt", 0, 0, Url(Docs() / "skipped.txt")));
    list.back().selected = 0;
    m_server.Respond([](const RecordedRequest&) { return Answer({}); });

    EXPECT_EQ(m_service->FilesUploadFromList(m_window->Handle(), list, 0), RES_OK) << "only ticked files go";
    ASSERT_EQ(Sent().size(), 0u) << "nothing is ticked";
    for (FILE_OBJECT& file : list)
        file.selected = 1;
    list.back().selected = 0;
    EXPECT_EQ(m_service->FilesUploadFromList(m_window->Handle(), list, 0), RES_OK);

    const std::vector<RecordedRequest> sent = Sent();
    ASSERT_EQ(sent.size(), 3u) << "an empty file counts as sent without a request";
    std::string received;
    const std::string directory = Docs().string() + "/";
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::string offset = std::to_string(i * 100000);
        const std::string size = std::to_string(sent[i].body.size());
        const std::vector<std::string> expected = {"QX-Command: Upload", "QX-Directory: " + directory,
                                                   "QX-FileName: IMG_0001.JPG", "QX-TotalSize: 250000",
                                                   "QX-ChunkOffset: " + offset, "QX-ChunkSize: " + size,
                                                   "QX-MaxChunkSize: 100000"};
        auto at = sent[i].headerLines.begin();
        for (const std::string& line : expected) {
            at = std::find(at, sent[i].headerLines.end(), line);
            EXPECT_NE(at, sent[i].headerLines.end()) << line << " in order";
        }
        EXPECT_EQ(sent[i].method, "POST");
        received += sent[i].body;
    }
    EXPECT_EQ(received, content);
    EXPECT_EQ(Summary(u"files_uploaded"), 2u);
    EXPECT_EQ(Summary(u"files_failed"), 0u);
}

TEST_F(FileFlowsTest, UploadReadsNoFileOutsideAndEndsOffsetsThatDoNotAdvance)
{
    WriteFile(Docs() / "a.jpg", Content(300));
    WriteFile(Root() / "secret.txt", "the user's secret");
    WriteFile(Docs() / "Private" / "b.jpg", "forbidden");
    fs::create_symlink(Root() / "secret.txt", Docs() / "link.txt");
    struct Case {
        const char* what;
        std::u16string path;
        CScriptedHttp::Headers answer;
        std::size_t requests;
        std::uint32_t uploaded;
    };
    const Case cases[] = {
        {"a file of the scan", Url(Docs() / "a.jpg"), {}, 3, 1},
        {"\"..\" out of the documents", Url(Docs() / ".." / "secret.txt"), {}, 0, 0},
        {"a symbolic link out of them", Url(Docs() / "link.txt"), {}, 0, 0},
        {"a forbidden folder", Url(Docs() / "Private" / "b.jpg"), {}, 0, 0},
        {"a relative path", u"file://My Documents/a.jpg", {}, 0, 0},
        {"an offset moved back for ever", Url(Docs() / "a.jpg"), {{"QX-ChunkOffset", "0"}}, 16, 0},
        {"a negative offset", Url(Docs() / "a.jpg"), {{"QX-ChunkOffset", "-1"}}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Settings()->File_Chunk_Size = 100;
        Settings()->Forbidden_Folders = u"/My Documents/Private";
        m_server.Respond([&c](const RecordedRequest&) { return Answer(c.answer); });
        FileList list = {ServerFile(u"x.jpg", 0, 0, c.path)};
        EXPECT_EQ(m_service->FilesUploadFromList(m_window->Handle(), list, 1), RES_OK);
        EXPECT_EQ(Sent().size(), c.requests);
        EXPECT_EQ(Summary(u"files_uploaded"), c.uploaded);
        EXPECT_EQ(Summary(u"files_failed"), 1 - c.uploaded);
    }
}

TEST_F(FileFlowsTest, UploadChunkSizeOfTheServerIsBounded)
{
    WriteFile(Docs() / "big.mp4", Content(9 * 1024 * 1024));
    m_server.Respond([](const RecordedRequest&) { return Answer({{"QX-MaxChunkSize", "2000000000"}}); });
    FileList list = {ServerFile(u"big.mp4", 0, 0, Url(Docs() / "big.mp4"))};
    EXPECT_EQ(m_service->FilesUploadFromList(m_window->Handle(), list, 1), RES_OK);
    const std::vector<RecordedRequest> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].body.size(), 100000u);
    EXPECT_EQ(sent[1].body.size(), 8u * 1024 * 1024);
    EXPECT_EQ(sent[1].Header("QX-MaxChunkSize"), "8388608");
    EXPECT_EQ(Summary(u"files_uploaded"), 1u);
}

// A server that serves `content` in the chunks asked for, and nothing for the media ids `empty`.
CScriptedHttp::Responder ChunkServer(std::string served, std::vector<std::string> empty = {})
{
    return [served = std::move(served), empty = std::move(empty)](const RecordedRequest& request) {
        if (request.Header("QX-Command") == "Map")
            return Answer({});
        const bool none = std::find(empty.begin(), empty.end(), request.Header("QX-MediaID")) != empty.end();
        const std::string content = none ? std::string() : served;
        const std::size_t offset = std::stoul(request.Header("QX-ChunkOffset").value_or("0"));
        const std::size_t size = std::min<std::size_t>(std::stoul(request.Header("QX-MaxChunkSize").value_or("0")),
                                                       content.size() - std::min(offset, content.size()));
        return Answer({{"QX-ChunkOffset", std::to_string(offset)}, {"QX-ChunkSize", std::to_string(size)}},
                      content.substr(std::min(offset, content.size()), size));
    };
}

TEST_F(FileFlowsTest, DownloadFetchesIntoTheDownloadFoldersAndMapsEachFile)
{
    const std::string content = Content(150000);
    m_server.Respond(ChunkServer(content, {"12"}));
    Settings()->Sync_Audio = 0;
    FileList list = {ServerFile(u"Photo.JPG", 150000, 11), ServerFile(u"song.mp3", 0, 12),
                     ServerFile(u"doc.txt", 10, 13)};
    list[2].selected = 0;
    EXPECT_EQ(m_service->FilesDownloadFromList(m_window->Handle(), list, 1, 0), RES_OK);
    EXPECT_EQ(ReadFile(Pictures() / "Photo.JPG"), content);
    EXPECT_FALSE(fs::exists(Root() / "My Documents" / "My Music" / "song.mp3")) << "audio is not synced";
    EXPECT_EQ(list[0].path, Url(Pictures() / "Photo.JPG"));

    EXPECT_EQ(m_service->FilesDownloadFromList(m_window->Handle(), list, 1, 1), RES_OK);
    EXPECT_TRUE(fs::exists(Root() / "My Documents" / "My Music" / "song.mp3"));
    EXPECT_EQ(fs::file_size(Root() / "My Documents" / "My Music" / "song.mp3"), 0u);
    EXPECT_TRUE(HiddenFiles(Pictures()).empty());

    const std::vector<RecordedRequest> sent = Sent();
    std::vector<std::string> commands;
    for (const RecordedRequest& request : sent)
        commands.push_back(request.Header("QX-Command").value_or(""));
    EXPECT_EQ(commands, (std::vector<std::string>{"Download", "GetChunk", "Map", "Download", "GetChunk",
                                                  "Download", "Map"}))
        << "a file of size 0 makes one request";
    EXPECT_EQ(sent[1].Header("QX-ChunkOffset"), "100000");
    EXPECT_EQ(sent[1].Header("QX-MediaID"), "11");
    EXPECT_EQ(sent[0].Header("QX-MapID"), std::nullopt);
    EXPECT_EQ(sent[5].Header("QX-MapID"), "11");
    EXPECT_NE(sent[5].Header("QX-FileName"), std::nullopt) << "the previous file's path goes with the next";
    EXPECT_NE(sent[6].body.find("<media url=\"" + Utf16ToUtf8(list[1].path) + "\" id=\"12\" status=\"\"/>"),
              std::string::npos)
        << sent[6].body;
    EXPECT_EQ(sent[6].Header("QX-CommandType"), "Files");
    EXPECT_EQ(Summary(u"files_added"), 2u);
}

TEST_F(FileFlowsTest, DownloadWritesNothingOutsideAndNothingHalf)
{
    const std::string old = "the file as it was";
    WriteFile(Pictures() / "kept.jpg", old);
    WriteFile(Root() / "outside.jpg", old);
    WriteFile(Pictures() / "gone.jpg", "deleted on the server");
    fs::create_directories(Root() / "elsewhere");
    fs::create_directory_symlink(Root() / "elsewhere", Docs() / "linked");
    const std::string content = Content(300);
    const CScriptedHttp::Headers chunkOf100 = {{"QX-ChunkOffset", "0"}, {"QX-ChunkSize", "100"}};
    const HttpResponse noBytes = Answer({{"QX-ChunkOffset", "0"}, {"QX-ChunkSize", "0"}});
    struct Case {
        const char* what;
        FILE_OBJECT file;
        std::vector<HttpResponse> answers; // then the chunks of `content`, or `noBytes` for ever
        RETURNED_RES result;
        std::size_t requests;
        std::uint32_t failed;
        bool stalls = false;
        bool thenNext = false; // a second file follows, and must arrive whole
    };
    const Case cases[] = {
        {"a name with \"..\"", ServerFile(u"../kept.jpg", 300, 1), {}, RES_OK, 0, 1},
        {"a url out of the folders", ServerFile(u"x.jpg", 300, 1, Url(Root() / "outside.jpg")), {}, RES_OK, 0, 1},
        {"a url with \"..\"", ServerFile(u"x.jpg", 300, 1, Url(Pictures() / ".." / ".." / "outside.jpg")), {},
         RES_OK, 0, 1},
        {"a url through a link", ServerFile(u"x.jpg", 300, 1, Url(Docs() / "linked" / "x.jpg")), {}, RES_OK, 0, 1},
        {"a chunk of 0 bytes for ever", ServerFile(u"kept.jpg", 300, 1), {}, RES_OK, 16, 1, true},
        {"a chunk above the ceiling",
         ServerFile(u"kept.jpg", 300, 1),
         {Answer({{"QX-ChunkOffset", "0"}, {"QX-ChunkSize", "9000000"}}, std::string(9000000, 'x'))},
         RES_OK,
         1,
         1},
        {"a chunk beyond the file", ServerFile(u"kept.jpg", 300, 1),
         {Answer({{"QX-ChunkOffset", "250"}, {"QX-ChunkSize", "100"}}, content.substr(0, 100))}, RES_OK, 1, 1},
        {"a chunk leaving a gap", ServerFile(u"kept.jpg", 300, 1),
         {Answer({{"QX-ChunkOffset", "150"}, {"QX-ChunkSize", "100"}}, content.substr(0, 100))}, RES_OK, 1, 1},
        {"no chunk place", ServerFile(u"kept.jpg", 300, 1), {Answer({}, content)}, RES_ERROR, 1, 0},
        {"a body shorter than its chunk", ServerFile(u"kept.jpg", 300, 1), {Answer(chunkOf100, "short")},
         RES_ERROR, 1, 0},
        {"a connection cut inside a chunk", ServerFile(u"kept.jpg", 300, 1), {Cut(chunkOf100, content.substr(0, 50))},
         RES_ERROR, 1, 0},
        {"a Content-Length beyond its chunk", ServerFile(u"kept.jpg", 300, 1),
         {Answer(chunkOf100, content.substr(0, 150))}, RES_OK, 1, 1},
        {"more bytes than announced", ServerFile(u"kept.jpg", 300, 1),
         {Announcing(100, Answer(chunkOf100, content.substr(0, 150)))}, RES_OK, 1, 1},
        {"a request that fails", ServerFile(u"kept.jpg", 300, 1), {Answer(chunkOf100, content.substr(0, 100)),
          HttpResponse{}}, RES_ERROR, 2, 0},
        {"a file replaced on the server half-way", ServerFile(u"kept.jpg", 300, 1),
         {Answer(chunkOf100, content.substr(0, 100)), Answer({{"QX-ErrorCode", "424"}})}, RES_OK, 6, 1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Settings()->File_Download_Chunk_Size = 100;
        for (const HttpResponse& answer : c.answers)
            m_server.Answer(answer);
        if (c.stalls)
            m_server.Respond([&](const RecordedRequest&) { return noBytes; });
        else
            m_server.Respond(ChunkServer(content));
        FileList list = {c.file};
        if (c.thenNext)
            list.push_back(ServerFile(u"next.jpg", 300, 2));
        EXPECT_EQ(m_service->FilesDownloadFromList(m_window->Handle(), list, 1, 1), c.result);
        if (c.thenNext) {
            EXPECT_EQ(ReadFile(Pictures() / "next.jpg"), content);
        }
        EXPECT_EQ(Sent().size(), c.requests);
        EXPECT_EQ(ReadFile(Pictures() / "kept.jpg"), old);
        EXPECT_EQ(ReadFile(Root() / "outside.jpg"), old);
        EXPECT_TRUE(fs::is_empty(Root() / "elsewhere"));
        EXPECT_TRUE(HiddenFiles(Pictures()).empty());
        EXPECT_EQ(Summary(u"files_failed"), c.failed);
    }

    // A server file marked deleted goes, inside the folders only, and without a request.
    TearDown();
    SetUp();
    FileList deleted = {ServerFile(u"gone.jpg", 0, 1), ServerFile(u"x.jpg", 0, 2, Url(Root() / "outside.jpg"))};
    for (FILE_OBJECT& file : deleted)
        file.status = u"deleted";
    EXPECT_EQ(m_service->FilesDownloadFromList(m_window->Handle(), deleted, 1, 1), RES_OK);
    EXPECT_FALSE(fs::exists(Pictures() / "gone.jpg"));
    EXPECT_TRUE(fs::exists(Root() / "outside.jpg"));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(FileFlowsTest, DownloadStoppedHalfWayLeavesTheOldFile)
{
    WriteFile(Pictures() / "kept.jpg", "the file as it was");
    Settings()->File_Download_Chunk_Size = 100;
    const CScriptedHttp::Responder chunks = ChunkServer(Content(300));
    m_server.Respond([&](const RecordedRequest& request) {
        UI_Sync::GetInstanceUISync()->SetStop(true);
        return chunks(request);
    });
    UI_Sync::GetInstanceUISync()->SetDialogPtr(m_window->Handle());
    FileList list = {ServerFile(u"kept.jpg", 300, 1)};
    EXPECT_EQ(m_service->FilesDownloadFromList(m_window->Handle(), list, 1, 1), RES_OK);
    UI_Sync::GetInstanceUISync()->SetStop(false);
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_EQ(ReadFile(Pictures() / "kept.jpg"), "the file as it was");
    EXPECT_TRUE(HiddenFiles(Pictures()).empty());
    EXPECT_TRUE(m_window->WaitForMessage(WM_CLOSE_WAIT_DIALOG, 1, std::chrono::seconds(10)));
}

} // namespace
