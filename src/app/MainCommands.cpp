#include "app/MainWindow.h"

#include "app/CommandTable.h"

#include <QAction>

namespace {
// The shortcut at start: the first shortcut key, or the first of the keys that take turns.
QKeySequence StartShortcut(const TCommand& command) {
    for (const TCommandKey& key : command.Keys)
        if (key.Rule == TKeyRule::krShortcut || key.Rule == TKeyRule::krSharedShortcut)
            return QKeySequence(key.Key);
    return {};
}
} // namespace

// Qt checks or unchecks a checkable action before it reports the trigger, while every handler
// flips its own option (handlers are also called directly, by keys and at start-up). So a
// trigger first puts the state back, then runs the handler: one flip per command, from the
// shortcut, the menu or QAction::trigger alike.
void TfrmMain::CreateActions() {
    const std::vector<TCommand>& commands = CommandTable();
    CommandActions.assign(commands.size(), nullptr);
    for (size_t index = 0; index < commands.size(); ++index) {
        const TCommand& command = commands[index];
        if (!command.Name)
            continue;
        auto* action = new QAction(QString::fromUtf8(command.Caption), this);
        action->setObjectName(command.Name);
        action->setShortcut(StartShortcut(command));
        action->setCheckable(command.Option.Checkable);
        action->setChecked(command.Option.Checked);
        addAction(action);
        QObject::connect(action, &QAction::triggered, this, [this, action, &command](bool checked) {
            if (action->isCheckable())
                action->setChecked(!checked);
            command.Handler.Run(*this);
        });
        if (command.Member)
            this->*command.Member = action;
        aclMain.push_back(action);
        CommandActions[index] = action;
    }
    // Shown only once the window is created.
    actDebugConsole->setVisible(false);
}

void TfrmMain::AssignActivationShortcuts() {
    const std::vector<TCommand>& commands = CommandTable();
    for (size_t index = 0; index < commands.size(); ++index)
        for (const TCommandKey& key : commands[index].Keys)
            if (key.Rule == TKeyRule::krActivationShortcut)
                CommandActions[index]->setShortcut(QKeySequence(key.Key));
}

void TfrmMain::RunKeyCommand(int key, Qt::KeyboardModifiers shift) {
    const std::vector<TCommand>& commands = CommandTable();
    for (size_t index = 0; index < commands.size(); ++index)
        for (const TCommandKey& bound : commands[index].Keys) {
            const Qt::KeyboardModifiers held = bound.Key.keyboardModifiers();
            if (bound.Key.key() != key || (shift & held) != held)
                continue;
            QAction* action = CommandActions[index];
            switch (bound.Rule) {
            case TKeyRule::krShortcut:
            case TKeyRule::krActivationShortcut:
                continue; // shortcuts run before a key press is delivered
            case TKeyRule::krKey:
                break;
            case TKeyRule::krKeyWhileListClosed:
                if (actPictureList->isChecked())
                    continue;
                break;
            case TKeyRule::krSharedShortcut:
                // The key pressed last is the shortcut; this one takes over.
                if (action->shortcut() == QKeySequence(bound.Key))
                    return;
                action->setShortcut(QKeySequence(bound.Key));
                break;
            }
            if (action)
                action->trigger();
            else
                commands[index].Handler.Run(*this);
            return;
        }
}

bool TfrmMain::RunShortcut(const QKeySequence& pressed) {
    for (QAction* action : aclMain)
        if (action->shortcut() == pressed && action->isEnabled() && action->isVisible()) {
            action->trigger();
            return true;
        }
    return false;
}

void TfrmMain::actQuitExecute() {
    CentreParkedCursor();
    Terminate(0);
}
