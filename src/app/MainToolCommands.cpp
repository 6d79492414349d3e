#include "app/MainWindow.h"

#include <QAction>

#include <utility>

void TfrmMain::ConnectToolCommands() {
    using THandler = void (TfrmMain::*)();
    const std::pair<QAction * TfrmMain::*, THandler> handlers[] = {
        {&TfrmMain::actDebugConsole, &TfrmMain::actDebugConsoleExecute},
        {&TfrmMain::actSaveSettings, &TfrmMain::actSaveSettingsExecute},
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
}
