#pragma once

#include <QKeyCombination>

#include <cstdint>
#include <vector>

class QAction;
class TfrmMain;

// How a key reaches its command.
enum class TKeyRule {
    // The action's shortcut from the start.
    krShortcut,
    // Its shortcut from the first activation on; before, the key does nothing.
    krActivationShortcut,
    // Not a shortcut: FormKeyDown runs the command. The key's modifiers must be held; others
    // may be held as well.
    krKey,
    // The same while the picture list is closed: the list keeps the key for itself.
    krKeyWhileListClosed,
    // Keys that take turns as the shortcut (T, keypad 0): the first is the shortcut at start,
    // another one reaching FormKeyDown becomes the shortcut and runs the command.
    krSharedShortcut,
};

struct TCommandKey {
    TKeyRule Rule;
    QKeyCombination Key;
};

// The context menu's sections, in menu order. Consecutive sections with the same submenu share
// it; a separator comes before every section except the first of the menu and the first of a
// submenu.
enum class TMenuSection {
    msNone, // not in the menu
    msNavigation,
    msView,
    msFile,
    msCustomCommands,
    msBrowsing,
    msEffects,
    msTurns,
    msRevert,
    msOptions,
    msConsole,
    msSettings,
    msQuit,
};

// The submenu a section belongs to; empty for the menu itself.
const char* SubmenuTitle(TMenuSection section);

// What a command does: a handler of the main window, with its argument when it takes one.
struct TCommandHandler {
    void (TfrmMain::*Plain)() = nullptr;
    void (TfrmMain::*WithArgument)(int32_t) = nullptr;
    int32_t Argument = 0;

    void Run(TfrmMain& window) const;
};

// For options: the checked state at start (before any settings are read) and, for the options
// the settings file keeps, the key and the line among the stored options.
struct TCommandOption {
    bool Checkable = false;
    bool Checked = false;
    const char* SettingsKey = nullptr;
    int SettingsLine = 0;
};

// One command of the main window: everything about it but its handler's body.
struct TCommand {
    // The action's object name; null for keys that run a handler without an action.
    const char* Name;
    // Where the window keeps the action, for code that names it; may be null.
    QAction* TfrmMain::*Member;
    const char* Caption;
    TMenuSection Menu;
    std::vector<TCommandKey> Keys;
    TCommandHandler Handler;
    TCommandOption Option = {};
};

// Every command, in the context menu's order within each section.
const std::vector<TCommand>& CommandTable();
