#include "utils/Files.h"
#include "utils/MemoryStream.h"
#include "utils/StagedFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

// Owns a buffer handed out by the readers; starts with values the readers must overwrite.
std::uint8_t s_notABuffer;
struct Buffer {
    std::uint8_t* data = &s_notABuffer;
    std::size_t size = 99;
    ~Buffer()
    {
        if (data != &s_notABuffer)
            ReleaseBuffer(data);
    }
    std::string Bytes() const { return std::string(reinterpret_cast<const char*>(data), size); }
};

// A stream with scripted failures, standing in for a store stream that misbehaves.
class CScriptedStream final : public CByteStream {
public:
    explicit CScriptedStream(std::string bytes) : m_memory(std::move(bytes)) {}
    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* read) override
    {
        ++reads;
        if (reads == failReadNumber)
            return readStatus;
        if (endless) {
            *read = size;
            return S_OK;
        }
        return m_memory.Read(buffer, size, read);
    }
    HRESULT Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override
    {
        if (Failed(seekStatus))
            return seekStatus;
        if (shrinkOnSeek)
            m_memory = CMemoryStream(m_memory.Bytes().substr(1));
        return m_memory.Seek(offset, origin, position);
    }

    int reads = 0;
    int failReadNumber = 0;
    HRESULT readStatus = S_OK;
    HRESULT seekStatus = S_OK;
    bool shrinkOnSeek = false;
    bool endless = false;

private:
    CMemoryStream m_memory;
};

} // namespace

TEST(ReadFileAndAllocBuffer, ReadsWholeFileWithTerminator)
{
    CTempDir folder;
    for (const std::string& content : {""s, "abc"s, "a\0b"s, std::string(70'000, 'x')}) {
        Buffer buffer;
        ASSERT_EQ(ReadFileAndAllocBuffer(folder.Write("f", content), buffer.data, buffer.size), S_OK);
        EXPECT_EQ(buffer.Bytes(), content);
        EXPECT_EQ(buffer.data[buffer.size], 0);
    }
}

TEST(ReadFileAndAllocBuffer, RefusesWhatIsNotAReadableRegularFile)
{
    CTempDir folder;
    ASSERT_EQ(::mkfifo(folder.Path("fifo").c_str(), 0600), 0);
    // A sparse file one byte over the limit costs no disk space and must not be allocated.
    const int fd = ::open(folder.Path("huge").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::ftruncate(fd, off_t(kMaxReadBufferSize) + 1), 0);
    ::close(fd);
    const std::u16string paths[] = {
        folder.WidePath("missing"), folder.WidePath(""),
        folder.WidePath("fifo"), // a FIFO must not block
        folder.WidePath("huge"),    std::u16string(u"a\0b", 3),
    };
    for (const auto& path : paths) {
        Buffer buffer;
        EXPECT_EQ(ReadFileAndAllocBuffer(path, buffer.data, buffer.size), E_FAIL);
        EXPECT_EQ(buffer.data, nullptr);
        EXPECT_EQ(buffer.size, 0u);
    }
}

TEST(ReadStreamAndAllocBuffer, ReadsAcrossScratchBlocks)
{
    for (const std::size_t size : {1u, 1023u, 1024u, 1025u, 5000u}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7);
        CMemoryStream stream(bytes);
        Buffer buffer;
        ASSERT_EQ(ReadStreamAndAllocBuffer(stream, buffer.data, buffer.size), S_OK);
        EXPECT_EQ(buffer.Bytes(), bytes);
        EXPECT_EQ(buffer.data[size], 0);
    }
}

TEST(ReadStreamAndAllocBuffer, FailuresReturnTheirStatusAndAllocateNothing)
{
    const HRESULT ioError = HResultFromErrno(EIO);
    struct Case {
        const char* name;
        std::string bytes;
        void (*setup)(CScriptedStream&, HRESULT);
        HRESULT expected;
    };
    const Case cases[] = {
        {"empty stream", "", [](CScriptedStream&, HRESULT) {}, E_FAIL},
        {"read fails while counting", std::string(3000, 'x'),
         [](CScriptedStream& s, HRESULT e) {
             s.failReadNumber = 2;
             s.readStatus = e;
         },
         ioError},
        {"seek fails", "abc", [](CScriptedStream& s, HRESULT e) { s.seekStatus = e; }, ioError},
        {"second pass read fails", "abc",
         [](CScriptedStream& s, HRESULT e) {
             s.failReadNumber = 3;
             s.readStatus = e;
         },
         ioError},
        {"stream shrinks between passes", "abc", [](CScriptedStream& s, HRESULT) { s.shrinkOnSeek = true; },
         E_FAIL},
        {"endless stream", "", [](CScriptedStream& s, HRESULT) { s.endless = true; }, E_FAIL},
    };
    for (const auto& c : cases) {
        CScriptedStream stream(c.bytes);
        c.setup(stream, ioError);
        Buffer buffer;
        EXPECT_EQ(ReadStreamAndAllocBuffer(stream, buffer.data, buffer.size), c.expected) << c.name;
        EXPECT_EQ(buffer.data, nullptr) << c.name;
        EXPECT_EQ(buffer.size, 0u) << c.name;
    }
}

TEST(MemoryStream, SeekRefusesPositionsBeforeTheStart)
{
    CMemoryStream stream("abcdef");
    std::uint64_t position = 0;
    EXPECT_EQ(stream.Seek(-2, SeekOrigin::End, &position), S_OK);
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(stream.Seek(-5, SeekOrigin::Current, &position), E_FAIL);
    EXPECT_EQ(position, 4u);
    char bytes[8] = {};
    std::uint32_t read = 0;
    EXPECT_EQ(stream.Read(bytes, sizeof bytes, &read), S_OK);
    EXPECT_EQ(std::string(bytes, read), "ef");
    EXPECT_EQ(stream.Seek(100, SeekOrigin::Begin, nullptr), S_OK);
    EXPECT_EQ(stream.Read(bytes, sizeof bytes, &read), S_OK);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream.Seek(INT64_MIN, SeekOrigin::Begin, &position), E_FAIL);
    EXPECT_EQ(stream.Seek(INT64_MAX, SeekOrigin::Current, &position), E_FAIL);
}

TEST(TextFiles, ReadersDecodeUpToTheFirstZero)
{
    CTempDir folder;
    EXPECT_EQ(ReadUTF8File(folder.Write("bom", "\xEF\xBB\xBF"
                                               "A")),
              u"\uFEFFA");
    EXPECT_EQ(ReadUTF8File(folder.Write("zero", "ab\0cd"s)), u"ab");
    EXPECT_EQ(ReadUTF8File(folder.Write("bad", "a\xFF")), u"a\uFFFD");
    EXPECT_EQ(ReadUTF8File(folder.WidePath("missing")), u"");
    EXPECT_EQ(ReadANSIFile(folder.Write("ansi", "caf\xE9 \x80\x81\x9F\0tail"s)), u"café €\u0081Ÿ");
    EXPECT_EQ(ReadANSIFile(folder.WidePath("missing")), u"");
}

TEST(TextFiles, WritersReplaceTheWholeContent)
{
    CTempDir folder;
    folder.Write("f", "a much longer old content");
    ASSERT_EQ(WriteUTF8File(folder.WidePath("f"), u"é"), S_OK);
    EXPECT_EQ(folder.Read("f"), "\xC3\xA9"); // no byte order mark, no stale tail
    ASSERT_EQ(WriteANSIFile(folder.WidePath("f"), "x\0y"s), S_OK);
    EXPECT_EQ(folder.Read("f"), "x\0y"s);
    ASSERT_EQ(WriteANSIFile(folder.WidePath("new"), ""), S_OK);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path("new")));
    // Nothing but the two files is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

TEST(TextFiles, WriterKeepsModeAndFollowsSymbolicLinks)
{
    CTempDir folder;
    folder.Write("target", "old");
    ASSERT_EQ(::chmod(folder.Path("target").c_str(), 0640), 0);
    std::filesystem::create_symlink("target", folder.Path("link"));
    ASSERT_EQ(WriteANSIFile(folder.WidePath("link"), "new"), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link")));
    EXPECT_EQ(folder.Read("target"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(folder.Path("target").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(TextFiles, WriterFailuresLeaveEverythingAsItWas)
{
    CTempDir folder;
    std::filesystem::create_directory(folder.Path("dir"));
    const std::u16string paths[] = {
        folder.WidePath("missing/f"),
        folder.WidePath("dir"),
        folder.WidePath("dir/"),
        std::u16string(u"a\0b", 3),
        u"",
    };
    for (const auto& path : paths)
        EXPECT_EQ(WriteUTF8File(path, u"text"), E_FAIL);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path("dir")));
}

TEST(TextFiles, WriterRefusesReadOnlyFile)
{
    CTempDir folder;
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write read-only files";
    folder.Write("readonly", "keep");
    ASSERT_EQ(::chmod(folder.Path("readonly").c_str(), 0444), 0);
    EXPECT_EQ(WriteANSIFile(folder.WidePath("readonly"), "new"), E_FAIL);
    EXPECT_EQ(folder.Read("readonly"), "keep");
}

TEST(StagedFile, ReplacesTheFileOnlyOnceCommitted)
{
    const auto bytes = [](std::string_view text) {
        return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    struct Case {
        const char* what;
        bool commit;
        bool link; // the final name is a symbolic link to "other"
        const char* file;  // the final path's content afterwards
        const char* other; // the link target's
    };
    const Case cases[] = {
        {"committed", true, false, "new content", "other"},
        {"discarded", false, false, "old", "other"},
        {"over a symbolic link", true, true, "new content", "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTempDir folder;
        folder.Write("other", "other");
        if (c.link) {
            std::filesystem::create_symlink("other", folder.Path("file"));
        } else {
            folder.Write("file", "old");
        }
        {
            CStagedFile staged;
            ASSERT_TRUE(staged.Create(folder.Path("file")));
            ASSERT_TRUE(staged.WriteAt(4, bytes("content")));
            ASSERT_TRUE(staged.WriteAt(0, bytes("new ")));
            EXPECT_EQ(folder.Read("file"), c.link ? "other" : "old") << "nothing shows before the commit";
            if (c.commit) {
                ASSERT_TRUE(staged.Commit());
            }
        }
        EXPECT_FALSE(std::filesystem::is_symlink(folder.Path("file")) && c.commit);
        EXPECT_EQ(folder.Read("file"), c.file);
        EXPECT_EQ(folder.Read("other"), c.other);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2) << "no staged file is left";
    }

    CTempDir folder;
    std::filesystem::create_directory(folder.Path("dir"));
    CStagedFile staged;
    EXPECT_FALSE(staged.Create(folder.Path("dir")));
    EXPECT_FALSE(staged.Create(folder.Path("missing/file")));
    CReadOnlyFile read;
    std::filesystem::create_symlink("dir", folder.Path("link"));
    folder.Write("file", "0123456789");
    EXPECT_FALSE(read.Open(folder.Path("link"))) << "a symbolic link is not followed";
    ASSERT_TRUE(read.Open(folder.Path("file")));
    std::uint8_t buffer[8];
    EXPECT_EQ(read.Size(), 10u);
    EXPECT_EQ(read.ReadAt(6, buffer), 4u);
}
