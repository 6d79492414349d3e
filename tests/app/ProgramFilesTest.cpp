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
} // namespace
