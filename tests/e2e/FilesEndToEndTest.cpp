// Media files between the handset's flows and a real lumeno-refserver: the device list, the upload in
// chunks, the server's list with its thumbnails, the download into place, and connections the server
// cuts in the middle of a file.

#include "EndToEndFixture.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kChunk = 102400; // the server's File-Chunk-Size

// Bytes that differ from chunk to chunk, so a chunk written at the wrong offset shows.
std::string Content(std::size_t size, char first)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(first + i * 7 % 26);
    return bytes;
}

class FilesEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        m_userId = RegisterByOperator().GetOr("user-id");
        // The server knows the kinds by the account's settings too (a thumbnail for images only).
        ASSERT_TRUE(Admin("set-settings", {{"user-id", m_userId},
                                           {"set", "Extensions-Image=jpg"},
                                           {"set", "Extensions-Audio=mp3"}})
                        .Ok());
        Settings()->Extensions_Image = u"jpg";
        Settings()->Extensions_Audio = u"mp3";
        Settings()->File_Chunk_Size = kChunk;
        Settings()->File_Download_Chunk_Size = kChunk;
        WriteFile(Picture(), m_picture);
        WriteFile(Song(), m_song);
    }

    fs::path Picture() const { return Root() / "My Documents" / "Photos" / "IMG_0001.JPG"; }
    fs::path Song() const { return Root() / "My Documents" / "song.mp3"; }

    // A files-only session of `operation` around `work`; the first result other than RES_OK.
    RETURNED_RES InSession(std::u16string_view operation, const std::function<RETURNED_RES()>& work)
    {
        RETURNED_RES result = m_service->StartNegotiation(Window());
        if (result == RES_SETTINGS_REQUIRED)
            result = m_service->ConfigVersionFlow(Window());
        if (result == RES_OK)
            result = m_service->CompleteNegotiation(operation, 0, 0, 0, 1, 0);
        if (result == RES_OK)
            result = work();
        return result == RES_OK ? m_service->CompleteSession() : result;
    }

    // The device's files that the server asks for, as the Upload operation lists them.
    FileList WantedUploads()
    {
        FileList list;
        EXPECT_EQ(InSession(u"ListUpload",
                            [&] {
                                m_service->FilesGetList(list, 1, 1, 1, 1);
                                return m_service->FilesListFlow(Window(), u"ListUpload", list, 1);
                            }),
                  RES_OK);
        return list;
    }

    RETURNED_RES Upload(FileList& list)
    {
        return InSession(u"Upload", [&] { return m_service->FilesUploadFromList(Window(), list, 1); });
    }

    FileList ServerList()
    {
        FileList list;
        EXPECT_EQ(InSession(u"ListServer",
                            [&] {
                                m_service->FilesGetList(list, 1, 1, 1, 1);
                                return m_service->FilesListFlow(Window(), u"ListServer", list, 1);
                            }),
                  RES_OK);
        return list;
    }

    // The server cuts the connection of this handset's request `skip` + 1 from now, and of the client's
    // own retry of it.
    void CutAfter(int skip) const
    {
        ASSERT_TRUE(Admin("inject", {{"command", "*"},
                                     {"device", kDeviceId},
                                     {"skip", std::to_string(skip)},
                                     {"count", "2"},
                                     {"drop", "before"}})
                        .Ok());
    }

    // The QX-ChunkOffset of each Upload the server's log holds after its first `earlier` requests.
    std::vector<std::string> UploadOffsets(std::size_t earlier) const
    {
        std::vector<AdminRecord> log = RequestLog();
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(std::min(earlier, log.size())));
        std::vector<std::string> offsets;
        for (const AdminRecord& request : log) {
            if (LoggedHeader(request, "QX-Command") == "Upload")
                offsets.push_back(LoggedHeader(request, "QX-ChunkOffset"));
        }
        return offsets;
    }

    std::uint32_t Counter(std::u16string_view name) const
    {
        std::uint32_t value = 0;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }

    // Files whose names start with "." below the device's documents (staged downloads).
    std::vector<std::string> StagedFiles() const
    {
        std::vector<std::string> staged;
        for (const auto& entry : fs::recursive_directory_iterator(Root() / "My Documents")) {
            if (entry.path().filename().string().front() == '.')
                staged.push_back(entry.path().string());
        }
        return staged;
    }

    std::string m_userId;
    const std::string m_picture = Content(3000, 'a');
    const std::string m_song = Content(250000, 'A'); // three chunks
};

TEST_F(FilesEndToEndTest, FilesGoUpWithTheirNamesAndComeBackWithTheirThumbnails)
{
    FileList wanted = WantedUploads();
    ASSERT_EQ(wanted.size(), 2u) << "the server holds none of them yet";
    ASSERT_EQ(Upload(wanted), RES_OK);
    EXPECT_EQ(Counter(u"files_uploaded"), 2u);
    EXPECT_EQ(Counter(u"files_failed"), 0u);
    EXPECT_TRUE(WantedUploads().empty()) << "nothing more to send";

    std::vector<std::pair<std::string, std::string>> held;
    for (const AdminRecord& file : Admin("list-files", {{"user-id", m_userId}}).records)
        held.emplace_back(file.GetOr("name"), file.GetOr("size"));
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (std::vector<std::pair<std::string, std::string>>{{"IMG_0001.JPG", "3000"}, {"song.mp3", "250000"}}))
        << "the real name of the file, upper-case extension included";

    FileList server = ServerList();
    ASSERT_EQ(server.size(), 2u);
    std::sort(server.begin(), server.end(), [](const FILE_OBJECT& a, const FILE_OBJECT& b) { return a.name < b.name; });
    EXPECT_EQ(server[0].kind, FILE_KIND_IMAGE);
    ASSERT_EQ(server[0].thumbnail.size(), 3000u);
    EXPECT_EQ(std::string(server[0].thumbnail.begin(), server[0].thumbnail.end()), m_picture);
    EXPECT_EQ(server[1].kind, FILE_KIND_AUDIO);
    EXPECT_TRUE(server[1].thumbnail.empty()) << "no thumbnail for a song";

    // The handset lost its files; the download brings them back to the paths the server knows.
    fs::remove(Picture());
    fs::remove(Song());
    for (FILE_OBJECT& file : server)
        file.selected = 1;
    ASSERT_EQ(InSession(u"Download", [&] { return m_service->FilesDownloadFromList(Window(), server, 1, 1); }), RES_OK);
    EXPECT_EQ(Counter(u"files_added"), 2u);
    EXPECT_EQ(ReadFile(Picture()), m_picture);
    EXPECT_EQ(ReadFile(Song()), m_song);
    EXPECT_TRUE(StagedFiles().empty());
}

TEST_F(FilesEndToEndTest, ConnectionsCutInTheMiddleOfAFileLoseNothing)
{
    fs::remove(Picture());
    FileList wanted = WantedUploads();
    ASSERT_EQ(wanted.size(), 1u);

    // The third chunk of the song never reaches the server; a new upload goes on from there.
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    ASSERT_EQ(m_service->CompleteNegotiation(u"Upload", 0, 0, 0, 1, 0), RES_OK);
    CutAfter(2);
    EXPECT_EQ(*RunOnWorker([&] { return m_service->FilesUploadFromList(Window(), wanted, 1); }), RES_ERROR);
    ASSERT_TRUE(Admin("clear-rules").Ok());
    const std::size_t earlier = RequestLog().size();
    ASSERT_EQ(Upload(wanted), RES_OK);
    EXPECT_EQ(UploadOffsets(earlier), (std::vector<std::string>{"0", "204800"}))
        << "the second upload resumed at the offset the server answered";
    EXPECT_EQ(Counter(u"files_uploaded"), 1u);

    // A download cut off after its first chunk leaves the handset's file as it was, and nothing else.
    FileList server = ServerList();
    ASSERT_EQ(server.size(), 1u);
    server[0].selected = 1;
    WriteFile(Song(), "the handset's own copy");
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    ASSERT_EQ(m_service->CompleteNegotiation(u"Download", 0, 0, 0, 1, 0), RES_OK);
    CutAfter(1);
    EXPECT_EQ(*RunOnWorker([&] { return m_service->FilesDownloadFromList(Window(), server, 1, 1); }), RES_ERROR);
    ASSERT_TRUE(Admin("clear-rules").Ok());
    EXPECT_EQ(ReadFile(Song()), "the handset's own copy");
    EXPECT_TRUE(StagedFiles().empty());

    ASSERT_EQ(InSession(u"Download", [&] { return m_service->FilesDownloadFromList(Window(), server, 1, 1); }), RES_OK);
    EXPECT_EQ(ReadFile(Song()), m_song);
    EXPECT_TRUE(StagedFiles().empty());
}

} // namespace
