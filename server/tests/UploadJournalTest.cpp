// Recovering an unfinished upload from its journal: only whole chunks whose bytes match their checksum
// count; everything after them is cut off.

#include "data/UploadJournal.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

void Write(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << content;
}

TEST(UploadJournal, RecoveryKeepsOnlyWholeChunksWithTheirBytes)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> chunks;   // recorded after "revision 7"
        const char* rawJournal;            // instead of the above ("": none at all)
        std::string tail;                  // appended to the journal
        std::optional<std::uint64_t> size; // nothing: no upload
    };
    const Case cases[] = {
        {"whole chunks", "abcdef", {"abc", "def"}, nullptr, "", 6},
        {"no journal", "abc", {}, "", "", std::nullopt},
        {"a torn first line", "abc", {}, "revision 7", "", std::nullopt},
        {"another first line", "abc", {}, "chunk 3 0\n", "", std::nullopt},
        {"a torn chunk line", "abcdef", {"abc"}, nullptr, "chunk 6 ", 3},
        {"a garbage line", "abcdef", {"abc"}, nullptr, "chunk six 0\nchunk 6 0\n", 3},
        {"a chunk past the bytes", "abc", {"abc", "def"}, nullptr, "", 3},
        {"bytes that do not match", "abXdef", {"abc", "def"}, nullptr, "", 0},
        {"a chunk that does not advance", "abcabc", {"abc"}, nullptr, "chunk 3 352441C2\n", 3},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const std::filesystem::path bytes = folder.Path() / "u.part";
        const std::filesystem::path journal = folder.Path() / "u.journal";
        Write(bytes, c.bytes);
        if (c.rawJournal) {
            if (*c.rawJournal != '\0')
                Write(journal, c.rawJournal);
        } else {
            ASSERT_TRUE(StartUploadJournal(journal, "7"));
            std::uint64_t end = 0;
            for (const std::string& chunk : c.chunks)
                ASSERT_TRUE(RecordUploadChunk(journal, end += chunk.size(), chunk));
            Write(journal, c.tail);
        }
        const std::optional<PartialUpload> upload = RecoverUpload(bytes, journal);
        ASSERT_EQ(upload.has_value(), c.size.has_value()) << c.name;
        if (!upload)
            continue;
        EXPECT_EQ(upload->size, *c.size) << c.name;
        EXPECT_EQ(upload->revision, "7") << c.name;
        EXPECT_EQ(std::filesystem::file_size(bytes), *c.size) << c.name << ": the rest is cut off";
        const std::optional<PartialUpload> again = RecoverUpload(bytes, journal);
        ASSERT_TRUE(again) << c.name;
        EXPECT_EQ(again->size, *c.size) << c.name << ": the journal was cut back to match";
    }
}

} // namespace
