#include "app/DirectoryListing.h"
#include "ScratchDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {
namespace fs = std::filesystem;

class DirectoryListing : public testing::Test {
protected:
    TScratchDirectory Scratch{"listing"};
    const std::string Root = Scratch.Path;
};

TEST_F(DirectoryListing, ListsHiddenEntriesAndTellsDirectoriesAndFilesThroughLinks) {
    std::ofstream(Root + "/.hidden") << "x";
    std::ofstream(Root + "/plain") << "x";
    fs::create_directory(Root + "/sub");
    fs::create_directory_symlink(Root + "/sub", Root + "/link");
    fs::create_symlink(Root + "/missing", Root + "/dangling");
    ASSERT_EQ(::mkfifo((Root + "/pipe.jpg").c_str(), 0600), 0);
    fs::create_symlink(Root + "/pipe.jpg", Root + "/to-pipe.jpg");
    fs::create_symlink(Root + "/plain", Root + "/to-plain");
    std::vector<TDirectoryEntry> entries = ListDirectory(Root);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    struct TExpected {
        const char* Name;
        bool Directory, Regular;
    };
    const TExpected expected[] = {{".hidden", false, true},      {"dangling", false, false},
                                  {"link", true, false},         {"pipe.jpg", false, false},
                                  {"plain", false, true},        {"sub", true, false},
                                  {"to-pipe.jpg", false, false}, {"to-plain", false, true}};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Name, expected[i].Name);
        EXPECT_EQ(entries[i].IsDirectory, expected[i].Directory) << entries[i].Name;
        EXPECT_EQ(entries[i].IsRegularFile, expected[i].Regular) << entries[i].Name;
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
