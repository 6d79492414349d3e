#include "app/MainWindow.h"

#include <QAction>
#include <QMenu>

#include <utility>

void TfrmMain::ConnectToolCommands() {
    using THandler = void (TfrmMain::*)();
    const std::pair<QAction * TfrmMain::*, THandler> handlers[] = {
        {&TfrmMain::actGrayscale, &TfrmMain::actGrayscaleExecute},
        {&TfrmMain::actDebugConsole, &TfrmMain::actDebugConsoleExecute},
        {&TfrmMain::actHFlip, &TfrmMain::actHFlipExecute},
        {&TfrmMain::actVFlip, &TfrmMain::actVFlipExecute},
        {&TfrmMain::actRotate90cw, &TfrmMain::actRotate90cwExecute},
        {&TfrmMain::actRotate90ccw, &TfrmMain::actRotate90ccwExecute},
        {&TfrmMain::actRotateArb, &TfrmMain::actRotateArbExecute},
        {&TfrmMain::actInvert, &TfrmMain::actInvertExecute},
        {&TfrmMain::actEmboss, &TfrmMain::actEmbossExecute},
        {&TfrmMain::actRevert, &TfrmMain::actRevertExecute},
        {&TfrmMain::actSaveSettings, &TfrmMain::actSaveSettingsExecute},
        {&TfrmMain::actCustCmd1, &TfrmMain::actCustCmd1Execute},
        {&TfrmMain::actCustCmd2, &TfrmMain::actCustCmd2Execute},
        {&TfrmMain::actCustCmd3, &TfrmMain::actCustCmd3Execute},
        {&TfrmMain::actCustCmd4, &TfrmMain::actCustCmd4Execute},
        {&TfrmMain::actDelFile, &TfrmMain::actDelFileExecute},
    };
    for (const auto& [member, handler] : handlers) {
        QAction* action = this->*member;
        QObject::connect(action, &QAction::triggered, this, [this, action, handler = handler] {
            // Qt has flipped a checkable action already; the handlers flip it themselves.
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            (this->*handler)();
        });
    }

    mnuCustomcommands = new QMenu("Custom commands", this);
    mnuCustomcommands->addActions({actCustCmd1, actCustCmd2, actCustCmd3, actCustCmd4});
    mnuImageProcessing = new QMenu("Image Processing", this);
    mnuImageProcessing->addActions({actGrayscale, actInvert, actEmboss});
    mnuImageProcessing->addSeparator();
    mnuImageProcessing->addActions(
        {actHFlip, actVFlip, actRotate90cw, actRotate90ccw, actRotateArb});
    mnuImageProcessing->addSeparator();
    mnuImageProcessing->addAction(actRevert);
}
