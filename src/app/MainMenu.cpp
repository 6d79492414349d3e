#include "app/MainWindow.h"

#include "app/CommandTable.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <numeric>
#include <string>

// Section by section; within a section in the table's order.
void TfrmMain::CreateMenu() {
    const std::vector<TCommand>& commands = CommandTable();
    std::vector<size_t> order(commands.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&commands](size_t a, size_t b) {
        return commands[a].Menu < commands[b].Menu;
    });
    QMenu* menu = popMain;
    TMenuSection section = TMenuSection::msNone;
    for (const size_t index : order) {
        const TCommand& command = commands[index];
        if (command.Menu == TMenuSection::msNone || !CommandActions[index])
            continue;
        if (command.Menu != section) {
            const std::string title = SubmenuTitle(command.Menu);
            // A new submenu is an entry of its own; every other section starts after a line.
            if (!title.empty() &&
                (section == TMenuSection::msNone || title != SubmenuTitle(section))) {
                menu = popMain->addMenu(QString::fromStdString(title));
            } else {
                if (title.empty())
                    menu = popMain;
                if (section != TMenuSection::msNone)
                    menu->addSeparator();
            }
            section = command.Menu;
        }
        menu->addAction(CommandActions[index]);
    }
    QObject::connect(popMain, &QMenu::aboutToShow, this, [this] { popMainPopup(); });
}

void TfrmMain::popMainPopup() {
    // The first mouse move after the menu closes only records the position.
    PopupShown = true;
}
