#include "app/MainWindow.h"

#include <QAction>
#include <QMenu>

#include <initializer_list>

namespace {
// A null entry is a separator.
void AddItems(QMenu* menu, std::initializer_list<QAction*> items) {
    for (QAction* action : items) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
}
} // namespace

void TfrmMain::CreateMenu() {
    AddItems(popMain, {actFirstPicture, actPrevPicture, actNextPicture, actLastPicture, nullptr,
                       actFullScreen, actZoomIn, actZoomOut, actZoomLock, actShrink, actEnlarge,
                       actFiltering, nullptr, actDelFile});
    AddItems(popMain->addMenu("Custom commands"),
             {actCustCmd1, actCustCmd2, actCustCmd3, actCustCmd4});
    AddItems(popMain,
             {nullptr, actPictureList, actChangeDir, actRecurseSubDir, actRefreshFileList});
    AddItems(popMain->addMenu("Image Processing"),
             {actGrayscale, actInvert, actEmboss, nullptr, actHFlip, actVFlip, actRotate90cw,
              actRotate90ccw, actRotateArb, nullptr, actRevert});
    AddItems(popMain->addMenu("Options"), {actHideCursor, actSizingBorder});
    AddItems(popMain, {nullptr, actDebugConsole, nullptr, actSaveSettings, nullptr, actQuit});
    QObject::connect(popMain, &QMenu::aboutToShow, this, [this] { popMainPopup(); });
}

void TfrmMain::popMainPopup() {
    // The first mouse move after the menu closes only records the position.
    PopupShown = true;
}
