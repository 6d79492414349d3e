#include "app/MainWindow.h"

#include <QAction>

#include <map>

// Qt checks or unchecks a checkable action before it reports the trigger, while every handler
// flips its own option (handlers are also called directly, by keys and at start-up). So a
// trigger first puts the state back, then runs the handler: one flip per command, from the
// shortcut, the menu or QAction::trigger alike. An action without a handler does nothing.
void TfrmMain::ConnectActions() {
    using THandler = void (TfrmMain::*)();
    const std::map<QAction*, THandler> handlers = {
        {actFullScreen, &TfrmMain::actFullScreenExecute},
        {actShrink, &TfrmMain::actShrinkExecute},
        {actQuit, &TfrmMain::actQuitExecute},
        {actNextPicture, &TfrmMain::actNextPictureExecute},
        {actPrevPicture, &TfrmMain::actPrevPictureExecute},
        {actFiltering, &TfrmMain::actFilteringExecute},
        {actFirstPicture, &TfrmMain::actFirstPictureExecute},
        {actLastPicture, &TfrmMain::actLastPictureExecute},
        {actRecurseSubDir, &TfrmMain::actRecurseSubDirExecute},
        {actEnlarge, &TfrmMain::actEnlargeExecute},
        {actZoomIn, &TfrmMain::actZoomInExecute},
        {actZoomOut, &TfrmMain::actZoomOutExecute},
        {actZoomLock, &TfrmMain::actZoomLockExecute},
        {actChangeDir, &TfrmMain::actChangeDirExecute},
        {actHideCursor, &TfrmMain::actHideCursorExecute},
        {actRefreshFileList, &TfrmMain::actRefreshFileListExecute},
        {actSizingBorder, &TfrmMain::actSizingBorderExecute},
        {actGrayscale, &TfrmMain::actGrayscaleExecute},
        {actDebugConsole, &TfrmMain::actDebugConsoleExecute},
        {actPictureList, &TfrmMain::actPictureListExecute},
        {actHFlip, &TfrmMain::actHFlipExecute},
        {actVFlip, &TfrmMain::actVFlipExecute},
        {actRotate90cw, &TfrmMain::actRotate90cwExecute},
        {actRotate90ccw, &TfrmMain::actRotate90ccwExecute},
        {actRotateArb, &TfrmMain::actRotateArbExecute},
        {actInvert, &TfrmMain::actInvertExecute},
        {actEmboss, &TfrmMain::actEmbossExecute},
        {actRevert, &TfrmMain::actRevertExecute},
        {actSaveSettings, &TfrmMain::actSaveSettingsExecute},
        {actCustCmd1, &TfrmMain::actCustCmd1Execute},
        {actCustCmd2, &TfrmMain::actCustCmd2Execute},
        {actCustCmd3, &TfrmMain::actCustCmd3Execute},
        {actCustCmd4, &TfrmMain::actCustCmd4Execute},
        {actDelFile, &TfrmMain::actDelFileExecute},
    };
    for (QAction* action : aclMain) {
        const auto found = handlers.find(action);
        const THandler handler = found == handlers.end() ? nullptr : found->second;
        QObject::connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
            if (action->isCheckable())
                action->setChecked(!checked);
            if (handler)
                (this->*handler)();
        });
    }
}

void TfrmMain::actQuitExecute() {
    CentreParkedCursor();
    Terminate(0);
}
