#include "ViewerFixture.h"

#include "formats/FileFormatList.h"
#include "platform/PictureClassTable.h"

#include <QAction>
#include <QLocale>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {
using Paths = std::vector<std::string>;
namespace fs = std::filesystem;

const char* const PromptTitle = "Choose a new directory to browse";
const char* const NoPicture = "There's no picture is that directory";

class MainFileList : public ViewerFixture {
protected:
    MainFileList() {
        // Real-world extensions read by the test drawing class.
        for (const char* extension : {"jpg", "png"})
            FormatRegistry().RegisterFormat(extension, "", "", ftRaster, true,
                                            PictureClassTable().FindClass("tdraw"));
    }

    // A directory below the scratch directory, created with its parents.
    std::string MakeDirectory(const std::string& name) {
        fs::create_directories(PathOf(name));
        return PathOf(name);
    }

    TfrmMain& Activate(std::vector<std::string> arguments, bool recurse = false) {
        TfrmMain& window = *Start(std::move(arguments));
        window.actRecurseSubDir->setChecked(recurse);
        window.ApplicationActivate();
        return window;
    }

    // The lines of the last file-list block, up to the next block.
    static Paths LoggedFileList(const TfrmMain& window) {
        const auto& log = window.DebugLog;
        const auto head = std::find(log.rbegin(), log.rend(), "===== File list =====");
        if (head == log.rend())
            return {};
        return Paths(head.base(), std::find(head.base(), log.end(), ""));
    }
};

TEST_F(MainFileList, ListsThePicturesOfADirectorySortedWithTheTopLevelMarker) {
    const std::string pics = MakeDirectory("pics");
    WriteSample("pics/c.txt");
    WriteSample("pics/B.PNG");
    WriteSample("pics/a.jpg");
    TfrmMain& window = Activate({pics});
    const Paths expected{pics + "/./a.jpg", pics + "/./B.PNG"};
    ASSERT_TRUE(window.FileList);
    EXPECT_EQ(*window.FileList, expected);
    EXPECT_EQ(window.CurrentDir, pics + "/");
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(LoggedFileList(window), expected);
    EXPECT_EQ(window.windowTitle().toStdString(), "a.jpg - Pelorama");
    EXPECT_TRUE(window.CurrentBmp);
    EXPECT_TRUE(window.NextBmp);
    EXPECT_FALSE(window.PrevBmp);
    EXPECT_FALSE(window.FirstActivation);
    EXPECT_TRUE(Services.ExitCodes.empty());
}

TEST_F(MainFileList, SortsSubdirectoryPicturesAfterTheTopLevelWithoutTheMarker) {
    const std::string pics = MakeDirectory("pics");
    MakeDirectory("pics/2001/deeper");
    WriteSample("pics/2001/b.jpg");
    WriteSample("pics/2001/deeper/A.jpg");
    WriteSample("pics/z.jpg");
    WriteSample("pics/a.jpg");
    TfrmMain& window = Activate({pics}, true);
    EXPECT_EQ(*window.FileList, (Paths{pics + "/./a.jpg", pics + "/./z.jpg", pics + "/2001/b.jpg",
                                       pics + "/2001/deeper/A.jpg"}));
}

TEST_F(MainFileList, WithoutRecursionSubdirectoriesAreNotEntered) {
    const std::string pics = MakeDirectory("pics/2001");
    WriteSample("pics/2001/b.jpg");
    WriteSample("pics/a.jpg");
    TfrmMain& window = Activate({PathOf("pics")});
    EXPECT_EQ(*window.FileList, (Paths{PathOf("pics/./a.jpg")}));
}

TEST_F(MainFileList, ListsHiddenFilesButNoDirectoryNamedLikeAPicture) {
    const std::string pics = MakeDirectory("pics/album.jpg");
    WriteSample("pics/.hidden.jpg");
    WriteSample("pics/album.jpg/inside.png");
    TfrmMain& window = Activate({PathOf("pics")}, true);
    EXPECT_EQ(*window.FileList,
              (Paths{PathOf("pics/./.hidden.jpg"), PathOf("pics/album.jpg/inside.png")}));
}

TEST_F(MainFileList, PipesAndDanglingLinksNamedLikePicturesAreNotListed) {
    MakeDirectory("pics");
    WriteSample("pics/a.jpg");
    ASSERT_EQ(::mkfifo(PathOf("pics/x.jpg").c_str(), 0600), 0);
    fs::create_symlink(PathOf("pics/x.jpg"), PathOf("pics/y.jpg"));
    fs::create_symlink(PathOf("pics/a.jpg"), PathOf("pics/z.jpg"));
    fs::create_symlink(PathOf("pics/gone.jpg"), PathOf("pics/gone-link.jpg"));
    // Given as the argument, the pipe fails to load at once instead of blocking the viewer.
    TfrmMain& window = Activate({PathOf("pics/x.jpg")});
    EXPECT_EQ(*window.FileList, (Paths{PathOf("pics/./a.jpg"), PathOf("pics/./z.jpg")}));
    EXPECT_EQ(window.CurrentIndex, -1);
    EXPECT_NE(std::find(window.DebugLog.begin(), window.DebugLog.end(),
                        "*Error*: Unable to load " + PathOf("pics/x.jpg")),
              window.DebugLog.end());
}

TEST_F(MainFileList, ASymbolicLinkLoopIsFollowedOnce) {
    MakeDirectory("pics/sub");
    WriteSample("pics/a.jpg");
    WriteSample("pics/sub/b.jpg");
    fs::create_directory_symlink(PathOf("pics"), PathOf("pics/sub/up"));
    fs::create_directory_symlink(".", PathOf("pics/sub/self"));
    TfrmMain& window = Activate({PathOf("pics")}, true);
    EXPECT_EQ(*window.FileList, (Paths{PathOf("pics/./a.jpg"), PathOf("pics/sub/b.jpg")}));
}

TEST_F(MainFileList, APictureArgumentSelectsItsPositionAndLoadsItsNeighbours) {
    MakeDirectory("pics");
    WriteSample("pics/a.jpg");
    WriteSample("pics/b.jpg");
    WriteSample("pics/c.jpg");
    TfrmMain& window = Activate({PathOf("pics/b.jpg")});
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(window.CurrentDir, PathOf("pics/"));
    EXPECT_TRUE(window.PrevBmp);
    EXPECT_TRUE(window.NextBmp);
    EXPECT_EQ(window.windowTitle().toStdString(), "b.jpg - Pelorama");
}

TEST_F(MainFileList, AnUnlistedPictureArgumentLeavesNoPositionAndTheFirstPictureAsNext) {
    MakeDirectory("pics");
    WriteSample("pics/a.jpg");
    WriteSample("pics/b.jpg");
    WriteSample("pics/other.tbmp.txt");
    TfrmMain& window = Activate({PathOf("pics/other.tbmp.txt")});
    EXPECT_EQ(window.CurrentIndex, -1);
    EXPECT_FALSE(window.PrevBmp);
    ASSERT_TRUE(window.NextBmp);
    EXPECT_EQ(window.NextBmp->Width, 3);
}

TEST_F(MainFileList, AnEmptyDirectoryPromptsOnceMoreAndEndsWithExitCodeOne) {
    const std::string empty = MakeDirectory("empty");
    WriteSample("empty/notes.txt");
    Services.MessageAnswers = {TMessageAnswer::maOk};
    Services.FolderAnswers = {std::nullopt};
    TfrmMain& window = Activate({empty});
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].Text, NoPicture);
    EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkError);
    EXPECT_EQ(Services.Messages[0].Buttons, TMessageButtons::mbOk);
    EXPECT_EQ(Services.FolderPromptTitles, (Paths{PromptTitle}));
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{1}));
    EXPECT_TRUE(window.Terminated);
    EXPECT_FALSE(window.CurrentBmp);
    EXPECT_EQ(LoggedFileList(window), Paths{});
}

TEST_F(MainFileList, TheNestedPromptCanMoveToADirectoryWithPictures) {
    const std::string empty = MakeDirectory("empty");
    const std::string pics = MakeDirectory("pics");
    WriteSample("pics/a.jpg");
    Services.MessageAnswers = {TMessageAnswer::maOk};
    Services.FolderAnswers = {pics};
    TfrmMain& window = Activate({empty});
    EXPECT_TRUE(Services.ExitCodes.empty());
    EXPECT_EQ(window.CurrentDir, pics + "/");
    EXPECT_EQ(*window.FileList, (Paths{pics + "/./a.jpg"}));
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(window.windowTitle().toStdString(), "a.jpg - Pelorama");
}

TEST_F(MainFileList, WithoutAnArgumentACancelledPromptEndsWithExitCodeThree) {
    Services.FolderAnswers = {std::nullopt};
    TfrmMain& window = Activate({});
    EXPECT_EQ(Services.FolderPromptTitles, (Paths{PromptTitle}));
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{3}));
    EXPECT_TRUE(window.Terminated);
    EXPECT_FALSE(window.FileList);
    EXPECT_FALSE(window.CurrentBmp);
}

TEST_F(MainFileList, WithoutAnArgumentAChosenEmptyDirectoryEndsWithExitCodeThree) {
    const std::string empty = MakeDirectory("empty");
    Services.FolderAnswers = {empty, std::nullopt};
    Services.MessageAnswers = {TMessageAnswer::maOk};
    Activate({});
    EXPECT_EQ(Services.FolderPromptTitles, (Paths{PromptTitle, PromptTitle}));
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{3}));
}

TEST_F(MainFileList, WithoutAnArgumentTheChosenDirectoryShowsItsFirstPicture) {
    const std::string pics = MakeDirectory("pics");
    WriteSample("pics/b.jpg");
    WriteSample("pics/a.jpg");
    Services.FolderAnswers = {pics};
    TfrmMain& window = Activate({});
    EXPECT_TRUE(Services.ExitCodes.empty());
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(window.windowTitle().toStdString(), "a.jpg - Pelorama");
    EXPECT_TRUE(window.NextBmp);
    EXPECT_FALSE(window.FirstActivation);
}

TEST_F(MainFileList, TogglingRecursionRebuildsAtPositionZeroKeepingThePicture) {
    MakeDirectory("pics/2001");
    WriteSample("pics/a.jpg");
    WriteSample("pics/b.jpg");
    WriteSample("pics/2001/c.jpg");
    TfrmMain& window = Activate({PathOf("pics/b.jpg")});
    const TFastBMP* shown = window.CurrentBmp.get();
    ASSERT_EQ(window.CurrentIndex, 1);
    window.actRecurseSubDirExecute();
    EXPECT_TRUE(window.actRecurseSubDir->isChecked());
    EXPECT_EQ(*window.FileList,
              (Paths{PathOf("pics/./a.jpg"), PathOf("pics/./b.jpg"), PathOf("pics/2001/c.jpg")}));
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(window.CurrentBmp.get(), shown);
    EXPECT_EQ(window.windowTitle().toStdString(), "b.jpg - Pelorama");
    window.actRecurseSubDirExecute();
    EXPECT_FALSE(window.actRecurseSubDir->isChecked());
    EXPECT_EQ(window.FileList->size(), 2u);
}

TEST_F(MainFileList, RefreshAfterADeletionKeepsThePositionForTheFollowingFile) {
    MakeDirectory("pics");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        WriteSample(std::string("pics/") + name);
    TfrmMain& window = Activate({PathOf("pics/b.jpg")});
    fs::remove(PathOf("pics/b.jpg"));
    window.actRefreshFileListExecute();
    EXPECT_EQ(*window.FileList, (Paths{PathOf("pics/./a.jpg"), PathOf("pics/./c.jpg")}));
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(window.CurrentDir, PathOf("pics/"));
}

TEST_F(MainFileList, RefreshOfAnEmptiedDirectoryFollowsThePromptToTheNewOne) {
    MakeDirectory("pics");
    MakeDirectory("other");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        WriteSample(std::string("pics/") + name);
    WriteSample("other/x.jpg");
    TfrmMain& window = Activate({PathOf("pics/c.jpg")});
    ASSERT_EQ(window.CurrentIndex, 2);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        fs::remove(PathOf(std::string("pics/") + name));
    Services.MessageAnswers = {TMessageAnswer::maOk};
    Services.FolderAnswers = {PathOf("other")};
    window.actRefreshFileListExecute();
    EXPECT_EQ(window.CurrentDir, PathOf("other/"));
    EXPECT_EQ(*window.FileList, (Paths{PathOf("other/./x.jpg")}));
    EXPECT_EQ(window.CurrentIndex, 0);
}

TEST_F(MainFileList, ACancelledPromptAfterStartUpKeepsTheListAndPicture) {
    MakeDirectory("pics");
    WriteSample("pics/a.jpg");
    TfrmMain& window = Activate({PathOf("pics")});
    const Paths before = *window.FileList;
    Services.FolderAnswers = {std::nullopt};
    window.actChangeDirExecute();
    EXPECT_EQ(*window.FileList, before);
    EXPECT_TRUE(Services.ExitCodes.empty());
    EXPECT_FALSE(window.Terminated);
}

class MainFileListOrder : public ViewerFixture, public testing::WithParamInterface<const char*> {
protected:
    MainFileListOrder() { QLocale::setDefault(QLocale(GetParam())); }
    ~MainFileListOrder() override { QLocale::setDefault(QLocale::system()); }
};

TEST_P(MainFileListOrder, DotSortsBeforeDigitsAndLettersCaseIgnored) {
    TfrmMain& window = *Start({});
    Paths names{"b", "2", "A", ".", "a1", "B0", "/p/2001/b.jpg", "/p/./z.jpg"};
    window.SortNames(names);
    EXPECT_EQ(names, (Paths{".", "/p/./z.jpg", "/p/2001/b.jpg", "2", "A", "a1", "b", "B0"}));
    EXPECT_EQ(window.CompareNames("abc.JPG", "ABC.jpg"), 0);
    EXPECT_LT(window.CompareNames(".JPG", ".png"), 0);
    EXPECT_GT(window.CompareNames("b", "A"), 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, MainFileListOrder, testing::Values("C", "en_US", "de_DE"));

} // namespace
