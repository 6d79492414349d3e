#include "app/MainWindow.h"

#include <QAction>
#include <QCoreApplication>

namespace {
std::unique_ptr<TFastBMP> CopyOf(const TFastBMP& source) {
    auto copy = std::make_unique<TFastBMP>();
    copy->AssignPixels(source);
    return copy;
}
} // namespace

int32_t TfrmMain::FileCount() const {
    return FileList ? int32_t(FileList->size()) : 0;
}

std::unique_ptr<TFastBMP> TfrmMain::LoadListed(int32_t position) {
    return LoadPictureOr((*FileList)[size_t(position)], true, position == CurrentIndex);
}

// The cache slots are moved along before pending events run, so that a step started meanwhile
// (a key held down, a fast wheel) finds the pictures of its own position; only the decoding of
// the new neighbour waits until the shown picture is painted, and is left to the inner step
// when there was one.
void TfrmMain::GoStep(int32_t direction) {
    const bool forward = direction > 0;
    const int32_t count = FileCount();
    if (!forward && CurrentIndex >= count && count > 0) {
        // A refresh after files vanished left the position beyond the list's end: the step
        // goes to the new end, and decodes it, since the cache holds the old positions'.
        if (!actZoomLock->isChecked())
            ZoomFactor = 1.0f;
        GoToPicture(count - 1);
        SyncPictureList();
        return;
    }
    const int32_t step = forward ? 1 : -1;
    const auto listed = [this](int32_t position) {
        return position >= 0 && position < FileCount();
    };
    if (!listed(CurrentIndex + step)) {
        ShowNotice(forward ? "End of list" : "Beginning of list", 1500);
        return;
    }
    if (!actZoomLock->isChecked())
        ZoomFactor = 1.0f;
    CurrentIndex += step;
    std::unique_ptr<TFastBMP>& ahead = forward ? NextBmp : PrevBmp;
    std::unique_ptr<TFastBMP>& behind = forward ? PrevBmp : NextBmp;
    // A list rebuilt under a picture without a neighbour that way has nothing cached for it.
    if (!ahead)
        ahead = LoadListed(CurrentIndex);
    ShowPicture(*ahead);
    SyncPictureList();
    behind = std::move(CurrentBmp);
    // Without a position beyond, the slot ahead keeps what it holds.
    CurrentBmp = listed(CurrentIndex + step) ? std::move(ahead) : CopyOf(*ahead);
    const int32_t shown = CurrentIndex;
    QCoreApplication::processEvents();
    if (CurrentIndex == shown && listed(CurrentIndex + step) && !ahead)
        ahead = LoadListed(CurrentIndex + step);
}

void TfrmMain::actFirstPictureExecute() {
    const int32_t count = FileCount();
    if (CurrentIndex < 1 || count == 0) {
        ShowNotice("Already at beginning of list", 2000);
        return;
    }
    CurrentIndex = 0;
    CurrentBmp = LoadListed(0);
    ShowPicture(*CurrentBmp);
    SyncPictureList();
    if (count > 1)
        NextBmp = LoadListed(1);
}

void TfrmMain::actLastPictureExecute() {
    const int32_t count = FileCount();
    if (CurrentIndex >= count - 1) {
        ShowNotice("Already at end of list", 2000);
        return;
    }
    CurrentIndex = count - 1;
    CurrentBmp = LoadListed(CurrentIndex);
    ShowPicture(*CurrentBmp);
    SyncPictureList();
    if (CurrentIndex > 0)
        PrevBmp = LoadListed(CurrentIndex - 1);
}

void TfrmMain::GoToPicture(int32_t position) {
    if (position < 0 || position >= FileCount())
        return;
    CurrentIndex = position;
    CurrentBmp = LoadListed(position);
    ShowPicture(*CurrentBmp);
    QCoreApplication::processEvents();
    LoadNeighbours();
}

void TfrmMain::LoadNeighbours() {
    // CurrentIndex may have moved while pending events ran, or lie beyond a shortened list.
    const int32_t count = FileCount();
    if (CurrentIndex > 0 && CurrentIndex - 1 < count)
        PrevBmp = LoadListed(CurrentIndex - 1);
    if (CurrentIndex < count - 1)
        NextBmp = LoadListed(CurrentIndex + 1);
}
