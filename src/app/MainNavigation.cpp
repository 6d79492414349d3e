#include "app/MainWindow.h"

#include "app/BusyCursor.h"

#include <QAction>
#include <QCoreApplication>

#include <iterator>

int32_t TfrmMain::FileCount() const {
    return FileList ? int32_t(FileList->size()) : 0;
}

std::shared_ptr<const TFastBMP> TfrmMain::LoadListed(int32_t position) {
    return LoadPicture((*FileList)[size_t(position)]);
}

TNeighbourDecoder& TfrmMain::Worker() {
    if (!NeighbourDecoder)
        NeighbourDecoder = std::make_unique<TNeighbourDecoder>(
            [this](const std::shared_ptr<TNeighbourJob>& decoded) {
                HandOver([this, decoded] { NeighbourDecoded(decoded); });
            },
            [this](const std::shared_ptr<TColorCount>& counted) {
                HandOver([this, counted] { ColorsCounted(counted); });
            });
    return *NeighbourDecoder;
}

void TfrmMain::DecodeAhead(std::shared_ptr<const TFastBMP>& slot,
                           std::shared_ptr<TNeighbourJob>& job, int32_t position) {
    CancelNeighbour(job);
    slot.reset();
    job = std::make_shared<TNeighbourJob>((*FileList)[size_t(position)], ErrorPicturePath());
    Worker().Start(job);
}

void TfrmMain::TakeNeighbour(std::shared_ptr<TNeighbourJob>& job,
                             std::shared_ptr<const TFastBMP>& slot) {
    const std::shared_ptr<TNeighbourJob> taken = std::move(job);
    job.reset();
    std::optional<TPictureLoad> load;
    {
        const TBusyCursor busy(*this, !taken->Finished() && !actFullScreen->isChecked());
        load = taken->Take();
    }
    if (load)
        slot = Logged(std::move(*load));
}

void TfrmMain::CancelNeighbour(std::shared_ptr<TNeighbourJob>& job) {
    if (job)
        job->Cancel();
    job.reset();
}

void TfrmMain::CancelNeighbours() {
    CancelNeighbour(PrevJob);
    CancelNeighbour(NextJob);
}

void TfrmMain::NeighbourDecoded(const std::shared_ptr<TNeighbourJob>& job) {
    if (job == PrevJob)
        TakeNeighbour(PrevJob, PrevBmp);
    else if (job == NextJob)
        TakeNeighbour(NextJob, NextBmp);
    else if (job == CurrentJob)
        ShowFullPicture();
}

// The cache slots are moved along before pending events run, so that a step started meanwhile
// (a key held down, a fast wheel) finds the pictures of its own position; only the decoding of
// the new neighbour waits until the shown picture is painted, and is left to the inner step
// when there was one. The picture behind the one left is no neighbour any more: its decode,
// if still under way, is called off.
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
    std::shared_ptr<const TFastBMP>& ahead = forward ? NextBmp : PrevBmp;
    std::shared_ptr<const TFastBMP>& behind = forward ? PrevBmp : NextBmp;
    std::shared_ptr<TNeighbourJob>& aheadJob = forward ? NextJob : PrevJob;
    CancelNeighbour(forward ? PrevJob : NextJob);
    if (aheadJob)
        TakeNeighbour(aheadJob, ahead);
    // A list rebuilt under a picture without a neighbour that way has nothing cached for it.
    if (!ahead)
        ahead = LoadListed(CurrentIndex);
    ShowPicture(*ahead);
    SyncPictureList();
    behind = std::move(CurrentBmp);
    // Without a position beyond, the slot ahead keeps what it holds (shared: never changed).
    if (listed(CurrentIndex + step))
        CurrentBmp = std::move(ahead);
    else
        CurrentBmp = ahead;
    const int32_t shown = CurrentIndex;
    QCoreApplication::processEvents();
    if (CurrentIndex == shown && listed(CurrentIndex + step) && !ahead && !aheadJob)
        DecodeAhead(ahead, aheadJob, CurrentIndex + step);
}

void TfrmMain::actFirstPictureExecute() {
    const int32_t count = FileCount();
    if (CurrentIndex < 1 || count == 0) {
        ShowNotice("Already at beginning of list", 2000);
        return;
    }
    CancelNeighbours();
    CurrentIndex = 0;
    CurrentBmp = LoadListed(0);
    ShowPicture(*CurrentBmp);
    SyncPictureList();
    if (count > 1)
        DecodeAhead(NextBmp, NextJob, 1);
}

void TfrmMain::actLastPictureExecute() {
    const int32_t count = FileCount();
    if (CurrentIndex >= count - 1) {
        ShowNotice("Already at end of list", 2000);
        return;
    }
    CancelNeighbours();
    CurrentIndex = count - 1;
    CurrentBmp = LoadListed(CurrentIndex);
    ShowPicture(*CurrentBmp);
    SyncPictureList();
    if (CurrentIndex > 0)
        DecodeAhead(PrevBmp, PrevJob, CurrentIndex - 1);
}

void TfrmMain::GoToPicture(int32_t position) {
    if (position < 0 || position >= FileCount())
        return;
    CancelNeighbours();
    CurrentIndex = position;
    CurrentBmp = LoadListed(position);
    ShowPicture(*CurrentBmp);
    // Decoded while the picture is painted, and ready for a step made meanwhile.
    LoadNeighbours();
    QCoreApplication::processEvents();
}

void TfrmMain::LoadNeighbours() {
    // CurrentIndex may lie beyond a shortened list.
    const int32_t count = FileCount();
    if (CurrentIndex > 0 && CurrentIndex - 1 < count)
        DecodeAhead(PrevBmp, PrevJob, CurrentIndex - 1);
    if (CurrentIndex < count - 1)
        DecodeAhead(NextBmp, NextJob, CurrentIndex + 1);
}
