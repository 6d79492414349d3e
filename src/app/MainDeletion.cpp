#include "app/MainWindow.h"

#include <QAction>

#include <algorithm>
#include <filesystem>

namespace {
bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}
} // namespace

void TfrmMain::actDelFileExecute() {
    const std::optional<std::string> path = CurrentListedFile();
    if (!path)
        return;
    if (Services.MessageBox("Delete \"" + *path + "\"\r\nAre you sure ?", "",
                            TMessageKind::mkConfirmation,
                            TMessageButtons::mbYesNo) != TMessageAnswer::maYes)
        return;
    if (!(DeleteToTrash ? TrashFile(*path) : DeleteFilePermanently(*path, false)))
        return;
    actRefreshFileListExecute();
    ShowPictureAfterDeletion();
}

bool TfrmMain::TrashFile(const std::string& path) {
    // Trashing needs no write permission on the file itself: the read-only question comes
    // first, as it would for a permanent deletion.
    const bool readOnly = Services.IsReadOnly(path);
    if (readOnly && !ConfirmReadOnlyDeletion())
        return false;
    if (const std::optional<std::string> trashed = Services.MoveToTrash(path)) {
        TrashedFiles.push_back({path, *trashed});
        actUndoDelete->setEnabled(true);
        return true;
    }
    if (!Exists(path)) {
        ReportDeletionFailure(path);
        return false;
    }
    if (Services.MessageBox("This file cannot be moved to the trash.\r\nDelete it permanently ?",
                            "", TMessageKind::mkWarning,
                            TMessageButtons::mbYesNo) != TMessageAnswer::maYes)
        return false;
    return DeleteFilePermanently(path, readOnly);
}

bool TfrmMain::DeleteFilePermanently(const std::string& path, bool readOnlyConfirmed) {
    if (readOnlyConfirmed)
        Services.MakeWritable(path);
    if (Services.DeleteFile(path))
        return true;
    // Gone meanwhile, in use or not ours: only a read-only file is worth a second try.
    if (readOnlyConfirmed || !Services.IsReadOnly(path)) {
        ReportDeletionFailure(path);
        return false;
    }
    if (!ConfirmReadOnlyDeletion())
        return false;
    Services.MakeWritable(path);
    if (Services.DeleteFile(path))
        return true;
    ReportDeletionFailure(path);
    return false;
}

bool TfrmMain::ConfirmReadOnlyDeletion() {
    return Services.MessageBox("This file is read-only.\r\nTry to delete anyway ?", "",
                               TMessageKind::mkWarning,
                               TMessageButtons::mbYesNo) == TMessageAnswer::maYes;
}

void TfrmMain::ReportDeletionFailure(const std::string& path) {
    Services.MessageBox("Error while deleting " + path + ".", "", TMessageKind::mkPlain,
                        TMessageButtons::mbOk);
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

void TfrmMain::actUndoDeleteExecute() {
    if (TrashedFiles.empty())
        return;
    const TTrashedFile last = TrashedFiles.back();
    // Tried once: a file that cannot go back stays in the trash, where a file manager still
    // finds it, and the older deletions remain undoable.
    TrashedFiles.pop_back();
    actUndoDelete->setEnabled(!TrashedFiles.empty());
    if (!Services.RestoreFromTrash(last.PathInTrash, last.Path)) {
        Services.MessageBox("Error while restoring " + last.Path + " from the trash.", "",
                            TMessageKind::mkPlain, TMessageButtons::mbOk);
        return;
    }
    ShowRestoredPicture(last.Path);
}

void TfrmMain::ShowRestoredPicture(const std::string& path) {
    const auto positionIn = [this](const std::string& listed) {
        const auto found = std::find(FileList->begin(), FileList->end(), listed);
        return found == FileList->end() ? -1 : int32_t(found - FileList->begin());
    };
    actRefreshFileListExecute();
    int32_t position = positionIn(path);
    if (position < 0) {
        // Another directory is browsed now: the picture's own one takes its place.
        const std::filesystem::path file = std::filesystem::path(path).lexically_normal();
        const std::string directory = file.parent_path().string() + "/";
        BuildFileList(directory);
        position = positionIn(directory + "./" + file.filename().string());
    }
    GoToPicture(position);
    SyncPictureList();
}
