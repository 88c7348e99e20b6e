// Media files between two handsets of one account, run as their users run them (lumeno-cli upload and
// download): what one sends, the other fetches into its own device folder, with its name and bytes.

#include "HandsetsFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

// Bytes that differ from chunk to chunk, so a chunk written at the wrong offset shows.
std::string Content(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i * 7 % 26);
    return bytes;
}

std::string ReadWhole(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The files below the handset's device folder whose names are `name`, and those whose names start
// with "." (staged downloads).
struct Found {
    std::vector<fs::path> named;
    std::vector<fs::path> staged;
};

Found Look(const CHandsetProcess& handset, const std::string& name)
{
    Found found;
    for (const auto& entry : fs::recursive_directory_iterator(handset.Root() / "My Documents")) {
        const std::string file = entry.path().filename().string();
        if (file == name)
            found.named.push_back(entry.path());
        else if (file.front() == '.')
            found.staged.push_back(entry.path());
    }
    return found;
}

using FilesHandsetsTest = HandsetsTest;

TEST_F(FilesHandsetsTest, WhatOneHandsetSendsTheOtherFetchesWithItsNameAndBytes)
{
    CHandsetProcess& sender = Handset(0);
    CHandsetProcess& receiver = Handset(1);
    const std::string picture = Content(250000); // three chunks of the default size
    fs::create_directories(sender.Root() / "My Documents" / "Photos");
    std::ofstream(sender.Root() / "My Documents" / "Photos" / "IMG_0001.JPG", std::ios::binary) << picture;

    const auto [sent, sendOutput] = sender.Cli({"--all", "upload"});
    ASSERT_EQ(sent, 0) << sendOutput;
    const AdminReply held = Admin("list-files", {{"user-id", kUser}});
    ASSERT_EQ(held.records.size(), 1u) << sendOutput;
    EXPECT_EQ(held.records[0].GetOr("name"), "IMG_0001.JPG");

    ASSERT_TRUE(Look(receiver, "IMG_0001.JPG").named.empty());
    const auto [fetched, fetchOutput] = receiver.Cli({"--all", "download"});
    ASSERT_EQ(fetched, 0) << fetchOutput;
    const Found found = Look(receiver, "IMG_0001.JPG");
    ASSERT_EQ(found.named.size(), 1u) << fetchOutput;
    EXPECT_EQ(ReadWhole(found.named[0]), picture);
    EXPECT_TRUE(found.staged.empty());
}

} // namespace
