#include "ViewerFixture.h"

#include "app/FileContents.h"
#include "display/FastIMG.h"
#include "platform/MetadataOptions.h"
#include "platform/PictureLimits.h"

#include <QAction>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using Commands = std::vector<std::string>;
using Log = std::vector<std::string>;

// Written by hand from the file layout, not by the code under test.
const std::string DefaultSettingsBytes = "[General]\r\n"
                                         "FullScreen=0\r\n"
                                         "Enlarge=0\r\n"
                                         "Shrink=1\r\n"
                                         "Filtering=1\r\n"
                                         "HideCursor=0\r\n"
                                         "SizingBorder=0\r\n"
                                         "InfoLine=0\r\n"
                                         "ApplyOrientation=1\r\n"
                                         "ApplyColorProfiles=1\r\n"
                                         "DeleteToTrash=1\r\n"
                                         "\r\n"
                                         "[Custom commands]\r\n"
                                         "CustomCommand1= \r\n"
                                         "CustomCommand2= \r\n"
                                         "CustomCommand3= \r\n"
                                         "CustomCommand4= \r\n";

const char* const ResetQuestion = "This will reset all settings to defaults values\rAre you sure ?";

class MainSettings : public ViewerFixture {
protected:
    void TearDown() override { MetadataOptions() = {}; } // the loading settings are global

    std::string SettingsFile() const { return PathOf("pelorama.ini"); }

    TfrmMain& StartWithSettings(const std::string& text) {
        EXPECT_TRUE(ReplaceFileContents(SettingsFile(), text));
        return *Start({});
    }

    // The destruction of the window is the end of the program.
    std::optional<std::string> SettingsWrittenAtExit() {
        Window.reset();
        return ReadFileContents(SettingsFile());
    }

    struct TOptions {
        bool FullScreen, Enlarge, Shrink, Filtering, HideCursor, SizingBorder, InfoLine;
        bool operator==(const TOptions&) const = default;
    };
    static TOptions OptionsOf(const TfrmMain& window) {
        return {window.actFullScreen->isChecked(), window.actEnlarge->isChecked(),
                window.actShrink->isChecked(),     window.actFiltering->isChecked(),
                window.actHideCursor->isChecked(), window.actSizingBorder->isChecked(),
                window.actInfoLine->isChecked()};
    }
};

TEST_F(MainSettings, WithoutAFileTheDefaultsStayAndNothingIsWrittenAtExit) {
    TfrmMain& window = *Start({});
    EXPECT_EQ(OptionsOf(window), (TOptions{false, false, true, true, false, false, false}));
    EXPECT_EQ(window.CustomCommands, Commands(4, " "));
    EXPECT_FALSE(window.actSaveSettings->isChecked());
    EXPECT_TRUE(window.DebugLog.empty());
    EXPECT_EQ(SettingsWrittenAtExit(), std::nullopt);
}

TEST_F(MainSettings, TheDefaultsAreWrittenByteForByteAndReadBackTheSame) {
    TfrmMain& first = *Start({});
    first.actSaveSettings->setChecked(true);
    ASSERT_EQ(SettingsWrittenAtExit(), DefaultSettingsBytes);

    TfrmMain& second = *Start({});
    EXPECT_TRUE(second.actSaveSettings->isChecked());
    EXPECT_EQ(OptionsOf(second), (TOptions{false, false, true, true, false, false, false}));
    EXPECT_EQ(second.CustomCommands, Commands(4, " "));
    EXPECT_EQ(second.DebugLog, (Log{"Settings file: " + SettingsFile(), "Load Settings: 5 ms"}));
    EXPECT_EQ(SettingsWrittenAtExit(), DefaultSettingsBytes);
}

TEST_F(MainSettings, TheSettingsWithoutACommandAreOnUnlessTheFileTurnsThemOff) {
    const std::string older = "[General]\r\nShrink=1\r\n";
    EXPECT_TRUE(StartWithSettings(older).DeleteToTrash);
    EXPECT_TRUE(MetadataOptions().Orientation);
    EXPECT_TRUE(MetadataOptions().ColorProfiles);
    Window.reset();
    const std::string off = "ApplyOrientation=0\r\nApplyColorProfiles=0\r\nDeleteToTrash=0\r\n";
    EXPECT_FALSE(StartWithSettings("[General]\r\n" + off).DeleteToTrash);
    EXPECT_FALSE(MetadataOptions().Orientation);
    EXPECT_FALSE(MetadataOptions().ColorProfiles);
    const std::optional<std::string> written = SettingsWrittenAtExit();
    ASSERT_TRUE(written);
    EXPECT_NE(written->find(off), std::string::npos);
}

TEST_F(MainSettings, ChangedOptionsAndCommandsSurviveTheRoundTrip) {
    TfrmMain& first = *Start({});
    first.actSaveSettings->setChecked(true);
    first.actFullScreen->setChecked(true);
    first.actShrink->setChecked(false);
    first.actHideCursor->setChecked(true);
    first.actSizingBorder->setChecked(true);
    first.actInfoLine->setChecked(true);
    first.CustomCommands = {"gimp \"%n\"", "", "cp %n /backup/%f", "a=b = c "};
    ASSERT_EQ(SettingsWrittenAtExit(), "[General]\r\n"
                                       "FullScreen=1\r\n"
                                       "Enlarge=0\r\n"
                                       "Shrink=0\r\n"
                                       "Filtering=1\r\n"
                                       "HideCursor=1\r\n"
                                       "SizingBorder=1\r\n"
                                       "InfoLine=1\r\n"
                                       "ApplyOrientation=1\r\n"
                                       "ApplyColorProfiles=1\r\n"
                                       "DeleteToTrash=1\r\n"
                                       "\r\n"
                                       "[Custom commands]\r\n"
                                       "CustomCommand1=gimp \"%n\"\r\n"
                                       "CustomCommand2=\r\n"
                                       "CustomCommand3=cp %n /backup/%f\r\n"
                                       "CustomCommand4=a=b = c \r\n");
    TfrmMain& second = *Start({});
    EXPECT_EQ(OptionsOf(second), (TOptions{true, false, false, true, true, true, true}));
    EXPECT_EQ(second.CustomCommands, (Commands{"gimp \"%n\"", "", "cp %n /backup/%f", "a=b = c "}));
}

TEST_F(MainSettings, TheMemoryBudgetOfAPictureIsReadAndWrittenBackInMiB) {
    StartWithSettings("[General]\r\nPictureMemoryMB=64\r\nSizingBorder=0\r\n");
    EXPECT_EQ(PictureMemoryBudget(), int64_t(64) << 20);
    const std::optional<std::string> written = SettingsWrittenAtExit();
    ASSERT_TRUE(written);
    EXPECT_NE(written->find("\r\nPictureMemoryMB=64\r\n\r\n[Custom commands]"), std::string::npos);
    for (const char* value : {"", "0", "64 ", "-5", "1048577", "2e3"}) {
        StartWithSettings(std::string("PictureMemoryMB=") + value);
        EXPECT_EQ(PictureMemoryBudget(), DefaultPictureMemoryBudget()) << value;
    }
}

TEST_F(MainSettings, ShrinkAloneInLowerCaseTurnsEverythingElseOff) {
    TfrmMain& window = StartWithSettings("shrink=1");
    EXPECT_EQ(OptionsOf(window), (TOptions{false, false, true, false, false, false, false}));
    EXPECT_EQ(window.CustomCommands, Commands(4, ""));
    EXPECT_TRUE(window.actSaveSettings->isChecked());
    // Filtering read as off reaches the display surface's drawing mode.
    EXPECT_FALSE(window.DisplaySurface->BilinearResize());
    EXPECT_EQ(window.DebugLog, (Log{"Settings file: " + SettingsFile(), "Load Settings: 5 ms"}));
}

TEST_F(MainSettings, TheFirstOfTwoEqualKeysWins) {
    TfrmMain& window = StartWithSettings("[General]\r\nEnlarge=1\r\nenlarge=0\r\n"
                                         "[Custom commands]\r\nCustomCommand1=first\r\n"
                                         "CUSTOMCOMMAND1=second\r\n");
    EXPECT_TRUE(window.actEnlarge->isChecked());
    EXPECT_EQ(window.CustomCommands, (Commands{"first", "", "", ""}));
}

TEST_F(MainSettings, ValuesKeepSpacesAndEqualsSignsAndKeysAreFoundInAnySection) {
    TfrmMain& window = StartWithSettings("Filtering=1\n"
                                         "[Custom commands]\rCustomCommand2=notepad %f\r"
                                         "CustomCommand3= x=y \n"
                                         "[General]\r\nShrink=1 \r\nFullScreen=true\r\n"
                                         "HideCursor=1\r\nCustomCommand4=after\0CustomCommand1=x");
    EXPECT_EQ(OptionsOf(window), (TOptions{false, false, false, true, true, false, false}));
    // The NUL ends the text: the last line is never read.
    EXPECT_EQ(window.CustomCommands, (Commands{"", "notepad %f", " x=y ", "after"}));
}

TEST_F(MainSettings, AnUnreadableFileIsLoggedAndLeavesTheDefaultsAndAnEmptyCommandList) {
    // A directory where the file should be: it exists, but cannot be read or replaced.
    fs::create_directory(SettingsFile());
    TfrmMain& window = *Start({});
    EXPECT_EQ(window.DebugLog, (Log{"Settings file: " + SettingsFile(),
                                    "*Error*: Unable to load settings from " + SettingsFile(),
                                    "Load Settings: 5 ms"}));
    EXPECT_EQ(OptionsOf(window), (TOptions{false, false, true, true, false, false, false}));
    EXPECT_TRUE(window.actSaveSettings->isChecked());
    EXPECT_TRUE(window.CustomCommands.empty());
    EXPECT_EQ(window.CustomCommand(0), "");

    window.SaveSettings();
    EXPECT_EQ(window.DebugLog.back(), "*Error*: Unable to save settings to " + SettingsFile());
    EXPECT_TRUE(fs::is_directory(SettingsFile()));
    // Neither the directory nor a temporary file beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(Directory), fs::directory_iterator()), 1);
}

TEST_F(MainSettings, TurningSavingOnAsksNothing) {
    TfrmMain& window = *Start({});
    window.actSaveSettingsExecute();
    EXPECT_TRUE(window.actSaveSettings->isChecked());
    EXPECT_TRUE(Services.Messages.empty());
    // The console tells where they will go.
    EXPECT_EQ(window.DebugLog.back(), "Settings file: " + SettingsFile());
    EXPECT_EQ(SettingsWrittenAtExit(), DefaultSettingsBytes);
}

TEST_F(MainSettings, AnsweringNoToTheResetKeepsSavingOnAndTheFile) {
    TfrmMain& window = StartWithSettings("Enlarge=1\r\n");
    Services.MessageAnswers = {TMessageAnswer::maNo};
    window.actSaveSettingsExecute();
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].Text, ResetQuestion);
    EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkConfirmation);
    EXPECT_EQ(Services.Messages[0].Buttons, TMessageButtons::mbYesNo);
    EXPECT_TRUE(window.actSaveSettings->isChecked());
    EXPECT_EQ(ReadFileContents(SettingsFile()), "Enlarge=1\r\n");
    EXPECT_TRUE(Services.DeletedFiles.empty());
    // Saving is still on: the exit writes the whole file.
    const std::optional<std::string> written = SettingsWrittenAtExit();
    ASSERT_TRUE(written);
    EXPECT_NE(written->find("\r\nEnlarge=1\r\n"), std::string::npos);
}

TEST_F(MainSettings, AnsweringYesToTheResetDeletesTheFileAndWritesNothingAtExit) {
    TfrmMain& window = StartWithSettings("Enlarge=1\r\n");
    Services.MessageAnswers = {TMessageAnswer::maYes};
    window.actSaveSettingsExecute();
    EXPECT_FALSE(window.actSaveSettings->isChecked());
    EXPECT_FALSE(fs::exists(SettingsFile()));
    // The options stay in effect for this run.
    EXPECT_TRUE(window.actEnlarge->isChecked());
    EXPECT_EQ(SettingsWrittenAtExit(), std::nullopt);
}

// An installed viewer (its data in ../share/pelorama) keeps each user's settings in the
// configuration directory, creating it on the first save, and nothing beside the program.
TEST_F(MainSettings, AnInstalledViewerSavesToTheUsersConfigurationDirectory) {
    fs::create_directories(PathOf("usr/bin"));
    fs::create_directories(PathOf("usr/share/pelorama"));
    const char* const previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous ? previous : "";
    setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
    Window = std::make_unique<TfrmMain>(Services, std::vector<std::string>{},
                                        PathOf("usr/bin/pelorama"));
    previous ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");

    const std::string file = PathOf("config/pelorama/pelorama.ini");
    EXPECT_EQ(Window->SettingsPath(), file);
    Window->actSaveSettingsExecute();
    Window.reset();
    EXPECT_EQ(ReadFileContents(file), DefaultSettingsBytes);
    for (const char* directory : {"config", "config/pelorama"})
        EXPECT_EQ(fs::status(PathOf(directory)).permissions() & fs::perms::all,
                  fs::perms::owner_all)
            << directory;
    EXPECT_FALSE(fs::exists(PathOf("usr/bin/pelorama.ini")));
}
} // namespace
