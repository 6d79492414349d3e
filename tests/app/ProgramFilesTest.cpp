#include "app/ProgramFiles.h"
#include "ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;

// A program in <scratch>/bin; its installed data would be in <scratch>/share/pelorama.
class ProgramFiles : public testing::Test {
protected:
    ProgramFiles() { fs::create_directories(Scratch.PathOf("bin")); }
    std::string Program() const { return Scratch.PathOf("bin/pelorama"); }
    void Write(const std::string& name) {
        fs::create_directories(fs::path(Scratch.PathOf(name)).parent_path());
        std::ofstream(Scratch.PathOf(name)) << "x";
    }

    TScratchDirectory Scratch{"program-files"};
};

TEST_F(ProgramFiles, ABuildTreeProgramKeepsItsFilesBesideIt) {
    EXPECT_FALSE(IsInstalledProgram(Program()));
    EXPECT_EQ(ProgramDataFile(Program(), "pic_err.jpg"), Scratch.PathOf("bin/pic_err.jpg"));
    Write("bin/pic_err.jpg");
    EXPECT_EQ(ProgramDataFile(Program(), "pic_err.jpg"), Scratch.PathOf("bin/pic_err.jpg"));
}

TEST_F(ProgramFiles, AnInstalledProgramFindsItsDataDirectoryWhateverThePrefix) {
    Write("share/pelorama/pic_err.jpg");
    EXPECT_TRUE(IsInstalledProgram(Program()));
    EXPECT_EQ(InstalledDataDirectory(Program()), Scratch.PathOf("share/pelorama"));
    EXPECT_EQ(ProgramDataFile(Program(), "pic_err.jpg"),
              Scratch.PathOf("share/pelorama/pic_err.jpg"));
    // A copy beside the program still comes first.
    Write("bin/pic_err.jpg");
    EXPECT_EQ(ProgramDataFile(Program(), "pic_err.jpg"), Scratch.PathOf("bin/pic_err.jpg"));
}

// Settings beside the program for a portable copy, else per user in the XDG directory.
struct TSettingsCase {
    const char* Label;
    bool Installed;
    bool IniBeside;
    const char* ConfigHome; // "" for unset; the home is <scratch>/home
    const char* Expected;   // relative to the scratch directory
};

class SettingsLocation : public ProgramFiles, public testing::WithParamInterface<TSettingsCase> {};

TEST_P(SettingsLocation, FollowsThePortableCopyOrTheUser) {
    const TSettingsCase& c = GetParam();
    if (c.Installed)
        Write("share/pelorama/pic_err.jpg");
    if (c.IniBeside)
        Write("bin/pelorama.ini");
    const std::string configHome =
        *c.ConfigHome == '/' ? Scratch.PathOf(c.ConfigHome + 1) : c.ConfigHome;
    EXPECT_EQ(SettingsFilePath(Program(), {configHome, Scratch.PathOf("home")}),
              Scratch.PathOf(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLocation,
    testing::Values(
        TSettingsCase{"BuildTree", false, false, "/config", "bin/pelorama.ini"},
        TSettingsCase{"InstalledWithXdg", true, false, "/config", "config/pelorama/pelorama.ini"},
        TSettingsCase{"InstalledWithoutXdg", true, false, "", "home/.config/pelorama/pelorama.ini"},
        TSettingsCase{"RelativeXdgIsIgnored", true, false, "rel",
                      "home/.config/pelorama/pelorama.ini"},
        TSettingsCase{"InstalledPortableCopy", true, true, "/config", "bin/pelorama.ini"}),
    [](const auto& info) { return std::string(info.param.Label); });
} // namespace
