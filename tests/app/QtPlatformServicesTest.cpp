#include "app/QtPlatformServices.h"
#include "ScratchDirectory.h"
#include "app/CustomCommandLine.h"

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
