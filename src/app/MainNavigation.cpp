#include "app/MainWindow.h"

#include <QCoreApplication>

void TfrmMain::GoToPicture(int32_t position) {
    CurrentIndex = position;
    CurrentBmp = LoadPicture((*FileList)[size_t(position)]);
    ShowPicture(*CurrentBmp);
    QCoreApplication::processEvents();
    LoadNeighbours();
}

void TfrmMain::LoadNeighbours() {
    if (!FileList)
        return;
    // CurrentIndex may have moved while pending events ran.
    const int32_t count = int32_t(FileList->size());
    if (CurrentIndex > 0 && CurrentIndex - 1 < count)
        PrevBmp = LoadPicture((*FileList)[size_t(CurrentIndex - 1)]);
    if (CurrentIndex < count - 1)
        NextBmp = LoadPicture((*FileList)[size_t(CurrentIndex + 1)]);
}
