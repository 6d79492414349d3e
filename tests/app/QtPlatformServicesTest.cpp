#include "app/QtPlatformServices.h"
#include "ScratchDirectory.h"
#include "ScratchTrash.h"
#include "app/CustomCommandLine.h"
#include "app/FileContents.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;

class QtPlatformServicesFiles : public testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return Scratch.PathOf(name); }

    TScratchDirectory Scratch{"services"};
    QtPlatformServices Services;
};

TEST_F(QtPlatformServicesFiles, AReadOnlyFileIsRefusedUntilItIsMadeWritable) {
    const std::string path = PathOf("a b.jpg");
    std::ofstream(path) << "x";
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(Services.IsReadOnly(path));
    EXPECT_FALSE(Services.DeleteFile(path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(Services.MakeWritable(path));
    EXPECT_FALSE(Services.IsReadOnly(path));
    EXPECT_TRUE(Services.DeleteFile(path));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(QtPlatformServicesFiles, AMissingFileIsNeitherReadOnlyNorDeleted) {
    const std::string path = PathOf("absent.jpg");
    EXPECT_FALSE(Services.IsReadOnly(path));
    EXPECT_FALSE(Services.DeleteFile(path));
    EXPECT_FALSE(Services.MakeWritable(path));
}

TEST_F(QtPlatformServicesFiles, ATrashedFileKeepsItsRecordAndComesBackByteForByte) {
    const TScratchTrash trash(Scratch.Path);
    const std::string path = PathOf("a b.jpg");
    const std::string bytes = std::string("\xff\xd8 picture") + '\0' + "bytes";
    ASSERT_TRUE(ReplaceFileContents(path, bytes));
    const std::optional<std::string> trashed = Services.MoveToTrash(path);
    ASSERT_TRUE(trashed);
    EXPECT_EQ(*trashed, trash.Files + "a b.jpg");
    EXPECT_FALSE(fs::exists(path));
    const std::optional<std::string> record = ReadFileContents(trash.Info + "a b.jpg.trashinfo");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->rfind("[Trash Info]\nPath=" + Scratch.Path + "/a%20b.jpg\nDeletionDate=", 0),
              0u);
    // A second picture of the same name gets a name of its own.
    ASSERT_TRUE(ReplaceFileContents(path, "second"));
    EXPECT_EQ(Services.MoveToTrash(path), trash.Files + "a b.2.jpg");
    EXPECT_EQ(ReadFileContents(trash.Files + "a b.2.jpg"), "second");
    EXPECT_TRUE(Services.RestoreFromTrash(trash.Files + "a b.2.jpg", PathOf("second.jpg")));

    // The place is taken: nothing is replaced, the trash keeps the file.
    ASSERT_TRUE(ReplaceFileContents(path, "newcomer"));
    EXPECT_FALSE(Services.RestoreFromTrash(*trashed, path));
    EXPECT_EQ(ReadFileContents(path), "newcomer");
    fs::remove(path);

    EXPECT_TRUE(Services.RestoreFromTrash(*trashed, path));
    EXPECT_EQ(ReadFileContents(path), bytes);
    EXPECT_TRUE(fs::is_empty(trash.Files));
    EXPECT_TRUE(fs::is_empty(trash.Info));
    EXPECT_FALSE(Services.RestoreFromTrash(*trashed, path)); // nothing left to restore
}

TEST_F(QtPlatformServicesFiles, WithoutAUsableTrashNothingMoves) {
    // The data directory is a file: no trash can be made there.
    ASSERT_TRUE(ReplaceFileContents(PathOf("data"), ""));
    const TScratchTrash trash(Scratch.Path);
    const std::string path = PathOf("a.png");
    ASSERT_TRUE(ReplaceFileContents(path, "x"));
    EXPECT_EQ(Services.MoveToTrash(path), std::nullopt);
    EXPECT_EQ(ReadFileContents(path), "x");
    EXPECT_EQ(Services.MoveToTrash(PathOf("absent.png")), std::nullopt);
}

TEST_F(QtPlatformServicesFiles, ACustomCommandStartsItsProgramDetachedWithoutAShell) {
    // The script writes its arguments, one per line, to a file of its own.
    const std::string script = PathOf("record args.sh");
    const std::string output = PathOf("args.txt");
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" << output << ".part\"\n"
                          << "mv \"" << output << ".part\" \"" << output << "\"\n";
    fs::permissions(script, fs::perms::owner_all);
    const std::string picture = PathOf("./my $HOME;pic.jpg");
    ASSERT_TRUE(
        Services.StartProcess(ExpandCustomCommand("\"" + script + "\" \"%n\" %e", picture)));
    ASSERT_TRUE(QTest::qWaitFor([&output] { return fs::exists(output); }, 20000));
    std::ifstream file(output);
    std::string first, second, rest;
    std::getline(file, first);
    std::getline(file, second);
    std::getline(file, rest);
    // No shell expanded or split anything.
    EXPECT_EQ(first, picture);
    EXPECT_EQ(second, ".jpg");
    EXPECT_TRUE(rest.empty());
}

TEST_F(QtPlatformServicesFiles, AnUnknownProgramFailsSilently) {
    EXPECT_FALSE(Services.StartProcess({PathOf("no-such-program"), "argument"}));
    EXPECT_FALSE(Services.StartProcess({"pelorama-no-such-program-on-the-path"}));
    EXPECT_FALSE(Services.StartProcess({}));
    EXPECT_FALSE(Services.StartProcess({""}));
    // Nothing was shown to say so.
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}
} // namespace
