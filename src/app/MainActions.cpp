#include "app/MainWindow.h"

#include <QAction>
#include <QKeySequence>

namespace {
struct TActionDefinition {
    QAction* TfrmMain::*Member;
    const char* Name;
    const char* Caption;
    QKeySequence Shortcut;
    bool Option;  // has a checked state
    bool Checked; // at start, before any settings are read
};

QKeySequence Key(int key) {
    return QKeySequence(key);
}
} // namespace

void TfrmMain::CreateActions() {
    using Q = Qt::Key;
    const int ctrl = Qt::CTRL;
    const int keypad = Qt::KeypadModifier;
    // In the order of the action list.
    const TActionDefinition definitions[] = {
        {&TfrmMain::actFullScreen, "actFullScreen", "Full screen", Key(Q::Key_F), true, false},
        {&TfrmMain::actShrink, "actShrink", "Shrink", Key(Q::Key_S), true, true},
        {&TfrmMain::actQuit, "actQuit", "Quit", {}, false, false},
        {&TfrmMain::actNextPicture, "actNextPicture", "Next picture", Key(Q::Key_PageDown), false,
         false},
        {&TfrmMain::actPrevPicture, "actPrevPicture", "Previous picture", Key(Q::Key_PageUp), false,
         false},
        {&TfrmMain::actFiltering, "actFiltering", "Filtering", Key(Q::Key_B), true, true},
        {&TfrmMain::actGrayscale, "actGrayscale", "Grayscale", Key(ctrl | Q::Key_G), true, false},
        {&TfrmMain::actFirstPicture, "actFirstPicture", "First picture", Key(Q::Key_Home), false,
         false},
        {&TfrmMain::actLastPicture, "actLastPicture", "Last picture", Key(Q::Key_End), false,
         false},
        {&TfrmMain::actDebugConsole, "actDebugConsole", "Debug console", Key(Q::Key_D), false,
         false},
        {&TfrmMain::actRecurseSubDir, "actRecurseSubDir", "Recurse subdirectories", Key(Q::Key_R),
         true, false},
        {&TfrmMain::actEnlarge, "actEnlarge", "Enlarge", Key(Q::Key_E), true, false},
        {&TfrmMain::actZoomIn, "actZoomIn", "Zoom in", Key(keypad | Q::Key_Plus), false, false},
        {&TfrmMain::actZoomOut, "actZoomOut", "Zoom out", Key(keypad | Q::Key_Minus), false, false},
        {&TfrmMain::actZoomLock, "actZoomLock", "Zoom lock", Key(Q::Key_L), true, false},
        {&TfrmMain::actPictureList, "actPictureList", "Picture list", Key(Q::Key_T), true, false},
        {&TfrmMain::actChangeDir, "actChangeDir", "Change directory", Key(Q::Key_C), false, false},
        {&TfrmMain::actHFlip, "actHFlip", "Horizontal flip", {}, false, false},
        {&TfrmMain::actVFlip, "actVFlip", "Vertical flip", {}, false, false},
        {&TfrmMain::actRotate90cw, "actRotate90cw", "Rotate 90\u00b0 CW", {}, false, false},
        {&TfrmMain::actRotate90ccw, "actRotate90ccw", "Rotate 90\u00b0 CCW", {}, false, false},
        {&TfrmMain::actRotateArb, "actRotateArb", "Rotate arbitrary...", {}, false, false},
        {&TfrmMain::actInvert, "actInvert", "Invert", Key(ctrl | Q::Key_I), false, false},
        {&TfrmMain::actEmboss, "actEmboss", "Emboss", Key(ctrl | Q::Key_E), false, false},
        {&TfrmMain::actRevert, "actRevert", "Revert", Key(ctrl | Q::Key_R), false, false},
        {&TfrmMain::actSaveSettings, "actSaveSettings", "Save settings", {}, true, false},
        {&TfrmMain::actCustCmd1, "actCustCmd1", "Custom command 1", Key(Q::Key_F9), false, false},
        {&TfrmMain::actCustCmd2, "actCustCmd2", "Custom command 2", Key(Q::Key_F10), false, false},
        {&TfrmMain::actCustCmd3, "actCustCmd3", "Custom command 3", Key(Q::Key_F11), false, false},
        {&TfrmMain::actCustCmd4, "actCustCmd4", "Custom command 4", Key(Q::Key_F12), false, false},
        {&TfrmMain::actHideCursor,
         "actHideCursor",
         "Hide mouse cursor in full screen",
         {},
         true,
         false},
        {&TfrmMain::actDelFile, "actDelFile", "Delete file", Key(Q::Key_Delete), false, false},
        {&TfrmMain::actRefreshFileList, "actRefreshFileList", "Refresh file list",
         Key(ctrl | Q::Key_F5), false, false},
        {&TfrmMain::actSizingBorder, "actSizingBorder", "Sizing border", Key(Q::Key_Z), true,
         false},
    };
    for (const TActionDefinition& definition : definitions) {
        auto* action = new QAction(QString::fromUtf8(definition.Caption), this);
        action->setObjectName(definition.Name);
        action->setShortcut(definition.Shortcut);
        action->setCheckable(definition.Option);
        action->setChecked(definition.Checked);
        addAction(action);
        this->*definition.Member = action;
        aclMain.push_back(action);
    }
    // Shown only once the window is created.
    actDebugConsole->setVisible(false);
}
