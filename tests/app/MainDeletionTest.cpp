#include "ScratchTrash.h"
#include "ViewerFixture.h"
#include "app/FileContents.h"

#include <QAction>
#include <QTest>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

const TRgb Red{255, 0, 0}, Green{0, 200, 0}, Blue{0, 0, 255};

class MainDeletion : public ViewerFixture {
protected:
    // a, b and c: one-pixel pictures in three colours, listed and shown from a. Deleted
    // pictures go to the trash unless the settings file says otherwise.
    TfrmMain& StartInPictures(bool toTrash = true) {
        if (!toTrash) {
            EXPECT_TRUE(ReplaceFileContents(PathOf("pelorama.ini"), "DeleteToTrash=0\r\n"));
        }
        fs::create_directory(PathOf("pics"));
        for (const auto& [name, colour] : {std::pair{"a", Red}, {"b", Green}, {"c", Blue}})
            WriteTestPicture(Listed(name), 1, 1, {colour});
        TfrmMain& window = *Start({PathOf("pics")});
        window.ApplicationActivate();
        return window;
    }

    // The path as the file list holds it.
    std::string Listed(const std::string& name) const { return PathOf("pics/./" + name + ".tbmp"); }

    static std::string Question(const std::string& path) {
        return "Delete \"" + path + "\"\r\nAre you sure ?";
    }

    static size_t FileListBuilds(const TfrmMain& window) {
        return size_t(
            std::count(window.DebugLog.begin(), window.DebugLog.end(), "===== File list ====="));
    }

    // The picture is gone from its place, and is in the trash exactly when it went there.
    void ExpectGone(const std::string& name, bool toTrash) {
        EXPECT_FALSE(fs::exists(Listed(name)));
        EXPECT_EQ(fs::exists(Trash.Files + name + ".tbmp"), toTrash);
        EXPECT_EQ(fs::exists(Trash.Info + name + ".tbmp.trashinfo"), toTrash);
        EXPECT_EQ(Services.DeletedFiles, toTrash ? Paths{} : Paths{Listed(name)});
    }

    const TScratchTrash Trash{Directory};
};

// What holds for the trash as for deleting for good (DeleteToTrash=0).
class MainDeletionEitherWay : public MainDeletion, public testing::WithParamInterface<bool> {
protected:
    TfrmMain& StartInPictures() { return MainDeletion::StartInPictures(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(, MainDeletionEitherWay, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "ToTrash" : "ForGood";
                         });

TEST_P(MainDeletionEitherWay, AnsweringNoTouchesNothing) {
    TfrmMain& window = StartInPictures();
    window.GoToPicture(1);
    Services.MessageAnswers = {TMessageAnswer::maNo};
    window.actDelFile->trigger();
    ASSERT_EQ(Services.Messages.size(), 1u);
    // The stored path, with the top-level marker, on the first line.
    EXPECT_EQ(Services.Messages[0].Text, Question(Listed("b")));
    EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkConfirmation);
    EXPECT_EQ(Services.Messages[0].Buttons, TMessageButtons::mbYesNo);
    EXPECT_TRUE(fs::exists(Listed("b")));
    EXPECT_EQ(window.FileList->size(), 3u);
    EXPECT_EQ(FileListBuilds(window), 1u);
    EXPECT_EQ(window.CurrentIndex, 1);
}

TEST_P(MainDeletionEitherWay, AfterDeletingThePictureNowAtItsPlaceIsShownWithFreshNeighbours) {
    TfrmMain& window = StartInPictures();
    window.GoToPicture(1);
    Services.MessageAnswers = {TMessageAnswer::maYes};
    window.actDelFileExecute();
    ExpectGone("b", GetParam());
    EXPECT_EQ(*window.FileList, (Paths{Listed("a"), Listed("c")}));
    EXPECT_EQ(FileListBuilds(window), 2u);
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == Blue);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 0, 0) == Blue);
    EXPECT_TRUE(TopDownPixel(*window.PrevBmp, 0, 0) == Red);
    EXPECT_EQ(window.windowTitle().toStdString(), "c.tbmp - Pelorama");
}

TEST_P(MainDeletionEitherWay, DeletingTheLastPictureShowsTheNewLastOne) {
    TfrmMain& window = StartInPictures();
    window.GoToPicture(2);
    Services.MessageAnswers = {TMessageAnswer::maYes};
    window.actDelFileExecute();
    EXPECT_EQ(*window.FileList, (Paths{Listed("a"), Listed("b")}));
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 0, 0) == Green);
    EXPECT_TRUE(TopDownPixel(*window.PrevBmp, 0, 0) == Red);
    EXPECT_EQ(window.windowTitle().toStdString(), "b.tbmp - Pelorama");
}

TEST_P(MainDeletionEitherWay, AReadOnlyFileIsDeletedAfterTheSecondQuestion) {
    TfrmMain& window = StartInPictures();
    Services.ReadOnlyFiles.insert(Listed("a"));
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maYes};
    window.actDelFileExecute();
    ASSERT_EQ(Services.Messages.size(), 2u);
    EXPECT_EQ(Services.Messages[1].Text, "This file is read-only.\r\nTry to delete anyway ?");
    EXPECT_EQ(Services.Messages[1].Kind, TMessageKind::mkWarning);
    EXPECT_EQ(Services.Messages[1].Buttons, TMessageButtons::mbYesNo);
    ExpectGone("a", GetParam());
    EXPECT_EQ(*window.FileList, (Paths{Listed("b"), Listed("c")}));
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 0, 0) == Green);
}

TEST_P(MainDeletionEitherWay, AReadOnlyFileStaysWhenTheSecondAnswerIsNo) {
    TfrmMain& window = StartInPictures();
    Services.ReadOnlyFiles.insert(Listed("a"));
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maNo};
    window.actDelFileExecute();
    EXPECT_EQ(Services.Messages.size(), 2u);
    EXPECT_TRUE(fs::exists(Listed("a")));
    EXPECT_TRUE(Services.ReadOnlyFiles.count(Listed("a")));
    EXPECT_EQ(FileListBuilds(window), 1u);
}

TEST_P(MainDeletionEitherWay, AFileThatVanishedMeanwhileIsAnErrorWithoutTheReadOnlyQuestion) {
    TfrmMain& window = StartInPictures();
    fs::remove(Listed("a"));
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maOk};
    window.actDelFileExecute();
    ASSERT_EQ(Services.Messages.size(), 2u);
    EXPECT_EQ(Services.Messages[1].Text, "Error while deleting " + Listed("a") + ".");
    EXPECT_EQ(Services.Messages[1].Kind, TMessageKind::mkPlain);
    EXPECT_EQ(Services.Messages[1].Buttons, TMessageButtons::mbOk);
    // The list is not rebuilt.
    EXPECT_EQ(window.FileList->size(), 3u);
    EXPECT_EQ(FileListBuilds(window), 1u);
}

TEST_F(MainDeletion, WithoutAListedPictureNothingIsAsked) {
    TfrmMain& window = *Start({});
    window.actDelFileExecute(); // no list yet
    window.FileList = std::vector<std::string>{Listed("a")};
    window.CurrentIndex = -1;
    window.actDelFileExecute();
    window.CurrentIndex = 1;
    window.actDelFileExecute();
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(MainDeletion, DeletingTheOnlyPictureAndCancellingThePromptKeepsAVisibleWindow) {
    fs::create_directory(PathOf("pics"));
    WriteTestPicture(Listed("a"), 1, 1, {Red});
    TfrmMain& window = *Start({PathOf("pics")});
    window.ApplicationActivate();
    // The empty directory is announced and another one asked for: the user cancels.
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maOk};
    Services.FolderAnswers = {std::nullopt};
    window.actDelFileExecute();
    EXPECT_FALSE(fs::exists(Listed("a")));
    EXPECT_EQ(Services.Messages.back().Text, "There's no picture is that directory");
    EXPECT_TRUE(window.FileList->empty());
    EXPECT_EQ(window.CurrentIndex, -1);
    EXPECT_FALSE(window.PrevBmp);
    EXPECT_FALSE(window.NextBmp);
    // The error picture (here the black square) in a window of its size.
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.DisplayBuffer->Width, 100);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 50, 50) == (TRgb{0, 0, 0}));
    EXPECT_EQ(window.WindowBounds().Width(), 100);
    EXPECT_EQ(window.WindowBounds().Height(), 100);
    EXPECT_EQ(window.windowTitle().toStdString(), "Pelorama");
    EXPECT_TRUE(Services.ExitCodes.empty());
}

TEST_F(MainDeletion, UndoPutsTrashedPicturesBackOneByOneAtTheirPlaces) {
    TfrmMain& window = StartInPictures();
    EXPECT_FALSE(window.actUndoDelete->isEnabled());
    const std::optional<std::string> bytes = ReadFileContents(Listed("b"));
    window.GoToPicture(1);
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maYes};
    window.actDelFileExecute();
    window.actFirstPictureExecute();
    window.actDelFileExecute();
    ExpectGone("a", true);
    EXPECT_EQ(*window.FileList, (Paths{Listed("c")}));
    EXPECT_TRUE(window.actUndoDelete->isEnabled());

    // The last one first, through the key the menu shows.
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(*window.FileList, (Paths{Listed("a"), Listed("c")}));
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == Red);
    window.actUndoDelete->trigger();
    EXPECT_EQ(ReadFileContents(Listed("b")), bytes);
    EXPECT_EQ(*window.FileList, (Paths{Listed("a"), Listed("b"), Listed("c")}));
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == Green);
    EXPECT_TRUE(TopDownPixel(*window.NextBmp, 0, 0) == Blue);
    EXPECT_EQ(window.windowTitle().toStdString(), "b.tbmp - Pelorama");
    EXPECT_TRUE(fs::is_empty(Trash.Files));
    EXPECT_TRUE(fs::is_empty(Trash.Info));
    EXPECT_FALSE(window.actUndoDelete->isEnabled());
    EXPECT_EQ(Services.Messages.size(), 2u);
}

TEST_F(MainDeletion, AFileThatTookThePlaceIsNeverReplaced) {
    TfrmMain& window = StartInPictures();
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maOk};
    window.actDelFileExecute();
    ASSERT_TRUE(ReplaceFileContents(Listed("a"), "newcomer"));
    window.actUndoDeleteExecute();
    EXPECT_EQ(Services.Messages.back().Text,
              "Error while restoring " + Listed("a") + " from the trash.");
    EXPECT_EQ(ReadFileContents(Listed("a")), "newcomer");
    EXPECT_TRUE(fs::exists(Trash.Files + "a.tbmp"));
    EXPECT_FALSE(window.actUndoDelete->isEnabled());
}

TEST_F(MainDeletion, WhatCannotBeTrashedIsDeletedForGoodOnlyAfterOneMoreYes) {
    TfrmMain& window = StartInPictures();
    Services.UntrashableFiles.insert(Listed("a"));
    Services.ReadOnlyFiles.insert(Listed("a"));
    const std::string noTrash =
        "This file cannot be moved to the trash.\r\nDelete it permanently ?";
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maYes, TMessageAnswer::maNo};
    window.actDelFileExecute();
    ASSERT_EQ(Services.Messages.size(), 3u);
    EXPECT_EQ(Services.Messages[2].Text, noTrash);
    EXPECT_EQ(Services.Messages[2].Kind, TMessageKind::mkWarning);
    EXPECT_EQ(Services.Messages[2].Buttons, TMessageButtons::mbYesNo);
    EXPECT_TRUE(fs::exists(Listed("a")));
    EXPECT_EQ(FileListBuilds(window), 1u);

    // The read-only question is asked once, before the trash is tried.
    Services.MessageAnswers = {TMessageAnswer::maYes, TMessageAnswer::maYes, TMessageAnswer::maYes};
    window.actDelFileExecute();
    ASSERT_EQ(Services.Messages.size(), 6u);
    EXPECT_EQ(Services.Messages[5].Text, noTrash);
    ExpectGone("a", false);
    EXPECT_EQ(*window.FileList, (Paths{Listed("b"), Listed("c")}));
    EXPECT_FALSE(window.actUndoDelete->isEnabled());
}
} // namespace
