#include "app/DirectoryListing.h"
#include "ScratchDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;

class DirectoryListing : public testing::Test {
protected:
    TScratchDirectory Scratch{"listing"};
    const std::string Root = Scratch.Path;
};

TEST_F(DirectoryListing, ListsHiddenEntriesAndTellsDirectoriesIncludingLinkedOnes) {
    std::ofstream(Root + "/.hidden") << "x";
    std::ofstream(Root + "/plain") << "x";
    fs::create_directory(Root + "/sub");
    fs::create_directory_symlink(Root + "/sub", Root + "/link");
    fs::create_symlink(Root + "/missing", Root + "/dangling");
    std::vector<TDirectoryEntry> entries = ListDirectory(Root);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(entries.size(), 5u);
    const std::pair<const char*, bool> expected[] = {
        {".hidden", false}, {"dangling", false}, {"link", true}, {"plain", false}, {"sub", true}};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Name, expected[i].first);
        EXPECT_EQ(entries[i].IsDirectory, expected[i].second) << entries[i].Name;
    }
}

TEST_F(DirectoryListing, AMissingOrUnreadableDirectoryHasNoEntries) {
    EXPECT_TRUE(ListDirectory(Root + "/absent").empty());
    std::ofstream(Root + "/file") << "x";
    EXPECT_TRUE(ListDirectory(Root + "/file").empty());
}

TEST_F(DirectoryListing, ALinkedDirectoryHasTheIdentityOfItsTarget) {
    fs::create_directory(Root + "/sub");
    fs::create_directory_symlink(Root + "/sub", Root + "/link");
    std::ofstream(Root + "/file") << "x";
    ASSERT_TRUE(DirectoryIdentity(Root + "/sub"));
    EXPECT_EQ(DirectoryIdentity(Root + "/link"), DirectoryIdentity(Root + "/sub/"));
    EXPECT_NE(DirectoryIdentity(Root), DirectoryIdentity(Root + "/sub"));
    EXPECT_FALSE(DirectoryIdentity(Root + "/file"));
    EXPECT_TRUE(IsDirectory(Root + "/./"));
    EXPECT_FALSE(IsDirectory(Root + "/file"));
    EXPECT_FALSE(IsDirectory(Root + "/absent"));
}

} // namespace
