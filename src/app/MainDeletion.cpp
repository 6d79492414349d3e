#include "app/MainWindow.h"

#include <algorithm>

void TfrmMain::actDelFileExecute() {
    const std::optional<std::string> path = CurrentListedFile();
    if (!path)
        return;
    if (Services.MessageBox("Delete \"" + *path + "\"\r\nAre you sure ?", "",
                            TMessageKind::mkConfirmation,
                            TMessageButtons::mbYesNo) != TMessageAnswer::maYes)
        return;
    const auto reportFailure = [this, &path] {
        Services.MessageBox("Error while deleting " + *path + ".", "", TMessageKind::mkPlain,
                            TMessageButtons::mbOk);
    };
    if (!Services.DeleteFile(*path)) {
        // Gone meanwhile, in use or not ours: only a read-only file is worth a second try.
        if (!Services.IsReadOnly(*path))
            return reportFailure();
        if (Services.MessageBox("This file is read-only.\r\nTry to delete anyway ?", "",
                                TMessageKind::mkWarning,
                                TMessageButtons::mbYesNo) != TMessageAnswer::maYes)
            return;
        Services.MakeWritable(*path);
        if (!Services.DeleteFile(*path))
            return reportFailure();
    }
    actRefreshFileListExecute();
    ShowPictureAfterDeletion();
}

void TfrmMain::ShowPictureAfterDeletion() {
    // The rebuilt list kept CurrentIndex as a number: it now designates the picture that
    // followed the deleted one. Showing it, and caching its neighbours afresh, keeps the
    // screen and the cache from holding a file that is gone.
    if (!FileList || FileList->empty()) {
        // Nothing left to browse: the error picture keeps a window to right-click on.
        CurrentIndex = -1;
        PrevBmp.reset();
        NextBmp.reset();
        CurrentBmp = ErrorPicture();
        ShowPicture(*CurrentBmp);
        setWindowTitle("Pelorama");
        return;
    }
    GoToPicture(std::clamp(CurrentIndex, 0, int32_t(FileList->size()) - 1));
}
