#include "ViewerFixture.h"

#include <QAction>
#include <QMenu>

namespace {
using Words = std::vector<std::string>;
using Started = std::vector<Words>;

class MainCustomCommands : public ViewerFixture {
protected:
    // The commands read only the list and the position: set them as a build would.
    TfrmMain& StartOn(std::vector<std::string> commands, const std::string& path) {
        TfrmMain& window = *Start({});
        window.CustomCommands = std::move(commands);
        window.FileList = std::vector<std::string>{"/pics/./first.jpg", path};
        window.CurrentIndex = 1;
        return window;
    }
};

TEST_F(MainCustomCommands, EachActionStartsItsOwnEntryForThePictureOnDisplay) {
    TfrmMain& window = StartOn({"one %f", "two %f", "three %f", "four %f"}, "/pics/./a.jpg");
    window.actCustCmd3->trigger();
    window.actCustCmd1->trigger();
    window.actCustCmd4->trigger();
    window.actCustCmd2->trigger();
    EXPECT_EQ(Services.StartedProcesses,
              (Started{{"three", "a.jpg"}, {"one", "a.jpg"}, {"four", "a.jpg"}, {"two", "a.jpg"}}));
}

TEST_F(MainCustomCommands, APathIsOneArgumentWhateverItHolds) {
    TfrmMain& window = StartOn({"notepad \"%n\"", "", "", ""}, "/my pics/./a b.jpg");
    window.RunCustomCommand(0);
    window.FileList->back() = "/pics/./a\" -rf \"b.jpg";
    window.RunCustomCommand(0);
    EXPECT_EQ(Services.StartedProcesses,
              (Started{{"notepad", "/my pics/./a b.jpg"}, {"notepad", "/pics/./a\" -rf \"b.jpg"}}));
}

TEST_F(MainCustomCommands, EmptyAndBlankTemplatesStartNothing) {
    TfrmMain& window = StartOn({"", " ", "  \t ", "%e"}, "/pics/./README");
    for (size_t entry = 0; entry < 4; ++entry)
        window.RunCustomCommand(entry);
    EXPECT_TRUE(Services.StartedProcesses.empty());
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(MainCustomCommands, TheDefaultTemplatesStartNothing) {
    TfrmMain& window = *Start({});
    window.FileList = std::vector<std::string>{"/pics/./a.jpg"};
    window.CurrentIndex = 0;
    for (QAction* action :
         {window.actCustCmd1, window.actCustCmd2, window.actCustCmd3, window.actCustCmd4})
        action->trigger();
    EXPECT_TRUE(Services.StartedProcesses.empty());
}

TEST_F(MainCustomCommands, WithoutAListedPictureOrACommandNothingStarts) {
    TfrmMain& window = StartOn({"viewer %n", "", "", ""}, "/pics/./a.jpg");
    // Started on a file that is not listed.
    window.CurrentIndex = -1;
    window.RunCustomCommand(0);
    window.CurrentIndex = 2;
    window.RunCustomCommand(0);
    window.FileList->clear();
    window.CurrentIndex = 0;
    window.RunCustomCommand(0);
    window.FileList.reset();
    window.RunCustomCommand(0);
    // An unreadable settings file leaves no commands at all.
    window.FileList = std::vector<std::string>{"/pics/./a.jpg"};
    window.CustomCommands.clear();
    window.RunCustomCommand(3);
    EXPECT_TRUE(Services.StartedProcesses.empty());
}

TEST_F(MainCustomCommands, TheSubmenuHoldsTheFourCommandsWithTheirKeys) {
    TfrmMain& window = *Start({});
    EXPECT_EQ(SubmenuItems(*window.popMain, "Custom commands"),
              (std::vector<std::string>{"Custom command 1", "Custom command 2", "Custom command 3",
                                        "Custom command 4"}));
    const std::vector<std::string> keys{"F9", "F10", "F11", "F12"};
    const QAction* actions[] = {window.actCustCmd1, window.actCustCmd2, window.actCustCmd3,
                                window.actCustCmd4};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(actions[i]->shortcut().toString().toStdString(), keys[i]);
}
} // namespace
