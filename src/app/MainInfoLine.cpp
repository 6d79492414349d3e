#include "app/MainWindow.h"

#include "app/InfoLineText.h"
#include "display/FastIMG.h"

#include <QAction>

std::string TfrmMain::ShownFileName() const {
    // Start-up may already show a listed picture (a directory argument, the folder prompt):
    // its name, not the argument's, is the one shown.
    if (FileList && CurrentIndex >= 0 && size_t(CurrentIndex) < FileList->size())
        return ExtractFileName((*FileList)[size_t(CurrentIndex)]);
    if (FirstActivation)
        return ExtractFileName(FirstArgument());
    return {};
}

void TfrmMain::actInfoLineExecute() {
    actInfoLine->setChecked(!actInfoLine->isChecked());
    UpdateInfoLine();
}

void TfrmMain::UpdateInfoLine() {
    if (!DisplaySurface)
        return;
    if (!actInfoLine->isChecked()) {
        DisplaySurface->SetInfoLine({});
        return;
    }
    const auto [width, height] = PictureSize();
    DisplaySurface->SetInfoLine(
        InfoLineText({ShownFileName(), CurrentIndex, FileCount(), width, height,
                      DisplaySurface->ClientWidth(), DisplaySurface->ClientHeight()}));
}
