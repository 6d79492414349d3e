#include "app/FileContents.h"
#include "ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {
namespace fs = std::filesystem;

class FileContents : public testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return Scratch.PathOf(name); }
    size_t EntryCount() const {
        return size_t(std::distance(fs::directory_iterator(Directory), fs::directory_iterator()));
    }

    TScratchDirectory Scratch{"contents"};
    const std::string Directory = Scratch.Path;
};

TEST_F(FileContents, ReplacesAFileWithExactlyTheGivenBytes) {
    const std::string path = PathOf("a.ini");
    std::ofstream(path) << "an older and much longer content";
    const std::string bytes("x\r\n\0y\r\n", 7);
    ASSERT_TRUE(ReplaceFileContents(path, bytes));
    EXPECT_EQ(ReadFileContents(path), bytes);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FileContents, CreatesAMissingFileAndKeepsTheModeOfAnExistingOne) {
    const std::string path = PathOf("a.ini");
    ASSERT_TRUE(ReplaceFileContents(path, "one"));
    EXPECT_EQ(ReadFileContents(path), "one");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReplaceFileContents(path, "two"));
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileContents, ThroughSymbolicLinksTheFileTheyPointToIsReplaced) {
    fs::create_directory(PathOf("real"));
    std::ofstream(PathOf("real/a.ini")) << "old";
    fs::create_symlink("real/a.ini", PathOf("relative.ini"));
    fs::create_symlink(PathOf("relative.ini"), PathOf("chained.ini"));
    ASSERT_TRUE(ReplaceFileContents(PathOf("chained.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(PathOf("chained.ini")));
    EXPECT_TRUE(fs::is_symlink(PathOf("relative.ini")));
    EXPECT_EQ(ReadFileContents(PathOf("real/a.ini")), "new");
    // A dangling link gets the file it names; a loop is refused.
    fs::create_symlink("real/b.ini", PathOf("dangling.ini"));
    ASSERT_TRUE(ReplaceFileContents(PathOf("dangling.ini"), "b"));
    EXPECT_EQ(ReadFileContents(PathOf("real/b.ini")), "b");
    fs::create_symlink("loop.ini", PathOf("loop.ini"));
    EXPECT_FALSE(ReplaceFileContents(PathOf("loop.ini"), "x"));
    EXPECT_TRUE(fs::is_symlink(PathOf("loop.ini")));
}

TEST_F(FileContents, AFailedReplacementLeavesNoTemporaryFile) {
    // A directory cannot be replaced by a file.
    const std::string path = PathOf("a.ini");
    fs::create_directory(path);
    EXPECT_FALSE(ReplaceFileContents(path, "bytes"));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(EntryCount(), 1u);
    EXPECT_FALSE(ReplaceFileContents(PathOf("missing/a.ini"), "bytes"));
}

TEST_F(FileContents, ReadingFailsForMissingFilesDirectoriesAndPipes) {
    EXPECT_EQ(ReadFileContents(PathOf("absent")), std::nullopt);
    EXPECT_EQ(ReadFileContents(Directory), std::nullopt);
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadFileContents(PathOf("pipe")), std::nullopt);
    std::ofstream(PathOf("empty"));
    EXPECT_EQ(ReadFileContents(PathOf("empty")), "");
}
} // namespace
