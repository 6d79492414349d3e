#include "app/CommandTable.h"

#include "app/MainWindow.h"

namespace {
constexpr TCommandKey Shortcut(QKeyCombination key) {
    return {TKeyRule::krShortcut, key};
}
constexpr TCommandKey ActivationShortcut(QKeyCombination key) {
    return {TKeyRule::krActivationShortcut, key};
}
constexpr TCommandKey Key(QKeyCombination key) {
    return {TKeyRule::krKey, key};
}
constexpr TCommandKey KeyWhileListClosed(QKeyCombination key) {
    return {TKeyRule::krKeyWhileListClosed, key};
}
constexpr TCommandKey SharedShortcut(QKeyCombination key) {
    return {TKeyRule::krSharedShortcut, key};
}

constexpr TCommandHandler Run(void (TfrmMain::*handler)()) {
    return {handler, nullptr, 0};
}
constexpr TCommandHandler Run(void (TfrmMain::*handler)(int32_t), int32_t argument) {
    return {nullptr, handler, argument};
}

constexpr TCommandOption Option(bool checked) {
    return {true, checked, nullptr, 0};
}
constexpr TCommandOption StoredOption(bool checked, const char* key, int line) {
    return {true, checked, key, line};
}

constexpr auto Keypad = Qt::KeypadModifier;
constexpr auto Ctrl = Qt::ControlModifier;
using enum TMenuSection;
using W = TfrmMain;
} // namespace

const char* SubmenuTitle(TMenuSection section) {
    switch (section) {
    case msCustomCommands:
        return "Custom commands";
    case msEffects:
    case msTurns:
    case msRevert:
        return "Image Processing";
    case msOptions:
        return "Options";
    default:
        return "";
    }
}

void TCommandHandler::Run(TfrmMain& window) const {
    if (Plain)
        (window.*Plain)();
    else if (WithArgument)
        (window.*WithArgument)(Argument);
}

// Adding a command: a row here, in its menu section, and its handler in the main window.
const std::vector<TCommand>& CommandTable() {
    // clang-format off
    static const std::vector<TCommand> commands = {
        {"actFirstPicture", &W::actFirstPicture, "First picture", msNavigation,
         {Shortcut(Qt::Key_Home), Key(Keypad | Qt::Key_1)}, Run(&W::actFirstPictureExecute)},
        {"actPrevPicture", &W::actPrevPicture, "Previous picture", msNavigation,
         {Shortcut(Qt::Key_PageUp), Key(Keypad | Qt::Key_4)}, Run(&W::GoStep, -1)},
        {"actNextPicture", &W::actNextPicture, "Next picture", msNavigation,
         {Shortcut(Qt::Key_PageDown), Key(Keypad | Qt::Key_6)}, Run(&W::GoStep, +1)},
        {"actLastPicture", &W::actLastPicture, "Last picture", msNavigation,
         {Shortcut(Qt::Key_End), Key(Keypad | Qt::Key_3)}, Run(&W::actLastPictureExecute)},

        {"actFullScreen", &W::actFullScreen, "Full screen", msView,
         {Shortcut(Qt::Key_F), KeyWhileListClosed(Qt::Key_Return),
          KeyWhileListClosed(Qt::Key_Enter)},
         Run(&W::actFullScreenExecute), StoredOption(false, "FullScreen", 0)},
        {"actZoomIn", &W::actZoomIn, "Zoom in", msView, {Shortcut(Keypad | Qt::Key_Plus)},
         Run(&W::actZoomInExecute)},
        {"actZoomOut", &W::actZoomOut, "Zoom out", msView, {Shortcut(Keypad | Qt::Key_Minus)},
         Run(&W::actZoomOutExecute)},
        {"actZoomLock", &W::actZoomLock, "Zoom lock", msView, {Shortcut(Qt::Key_L)},
         Run(&W::actZoomLockExecute), Option(false)},
        {"actShrink", &W::actShrink, "Shrink", msView,
         {Shortcut(Qt::Key_S), Key(Keypad | Qt::Key_Slash)}, Run(&W::actShrinkExecute),
         StoredOption(true, "Shrink", 2)},
        {"actEnlarge", &W::actEnlarge, "Enlarge", msView,
         {Shortcut(Qt::Key_E), Key(Keypad | Qt::Key_Asterisk)}, Run(&W::actEnlargeExecute),
         StoredOption(false, "Enlarge", 1)},
        {"actFiltering", &W::actFiltering, "Filtering", msView, {Shortcut(Qt::Key_B)},
         Run(&W::actFilteringExecute), StoredOption(true, "Filtering", 3)},
        {"actInfoLine", &W::actInfoLine, "Info line", msView, {Shortcut(Qt::Key_I)},
         Run(&W::actInfoLineExecute), StoredOption(false, "InfoLine", 6)},

        {"actDelFile", &W::actDelFile, "Delete file", msFile, {Shortcut(Qt::Key_Delete)},
         Run(&W::actDelFileExecute)},
        {"actUndoDelete", &W::actUndoDelete, "Undo delete", msFile, {Shortcut(Ctrl | Qt::Key_Z)},
         Run(&W::actUndoDeleteExecute)},

        {"actCustCmd1", &W::actCustCmd1, "Custom command 1", msCustomCommands,
         {Shortcut(Qt::Key_F9)}, Run(&W::RunCustomCommand, 0)},
        {"actCustCmd2", &W::actCustCmd2, "Custom command 2", msCustomCommands,
         {Shortcut(Qt::Key_F10)}, Run(&W::RunCustomCommand, 1)},
        {"actCustCmd3", &W::actCustCmd3, "Custom command 3", msCustomCommands,
         {Shortcut(Qt::Key_F11)}, Run(&W::RunCustomCommand, 2)},
        {"actCustCmd4", &W::actCustCmd4, "Custom command 4", msCustomCommands,
         {Shortcut(Qt::Key_F12)}, Run(&W::RunCustomCommand, 3)},

        {"actPictureList", &W::actPictureList, "Picture list", msBrowsing,
         {SharedShortcut(Qt::Key_T), SharedShortcut(Keypad | Qt::Key_0)},
         Run(&W::actPictureListExecute), Option(false)},
        {"actChangeDir", &W::actChangeDir, "Change directory", msBrowsing,
         // The decimal key is a comma on some layouts.
         {Shortcut(Qt::Key_C), Key(Keypad | Qt::Key_Period), Key(Keypad | Qt::Key_Comma)},
         Run(&W::actChangeDirExecute)},
        {"actRecurseSubDir", &W::actRecurseSubDir, "Recurse subdirectories", msBrowsing,
         {Shortcut(Qt::Key_R)}, Run(&W::actRecurseSubDirExecute), Option(false)},
        {"actRefreshFileList", &W::actRefreshFileList, "Refresh file list", msBrowsing,
         {Shortcut(Ctrl | Qt::Key_F5)}, Run(&W::actRefreshFileListExecute)},

        {"actGrayscale", &W::actGrayscale, "Grayscale", msEffects,
         {Shortcut(Ctrl | Qt::Key_G), Key(Keypad | Qt::Key_2)}, Run(&W::actGrayscaleExecute),
         Option(false)},
        {"actInvert", &W::actInvert, "Invert", msEffects, {Shortcut(Ctrl | Qt::Key_I)},
         Run(&W::actInvertExecute)},
        {"actEmboss", &W::actEmboss, "Emboss", msEffects, {Shortcut(Ctrl | Qt::Key_E)},
         Run(&W::actEmbossExecute)},
        {"actHFlip", &W::actHFlip, "Horizontal flip", msTurns,
         {ActivationShortcut(Keypad | Qt::Key_5)}, Run(&W::actHFlipExecute)},
        {"actVFlip", &W::actVFlip, "Vertical flip", msTurns,
         {ActivationShortcut(Keypad | Qt::Key_8)}, Run(&W::actVFlipExecute)},
        {"actRotate90cw", &W::actRotate90cw, "Rotate 90\u00b0 CW", msTurns,
         {ActivationShortcut(Keypad | Qt::Key_9)}, Run(&W::actRotate90cwExecute)},
        {"actRotate90ccw", &W::actRotate90ccw, "Rotate 90\u00b0 CCW", msTurns,
         {ActivationShortcut(Keypad | Qt::Key_7)}, Run(&W::actRotate90ccwExecute)},
        {"actRotateArb", &W::actRotateArb, "Rotate arbitrary...", msTurns, {},
         Run(&W::actRotateArbExecute)},
        {"actRevert", &W::actRevert, "Revert", msRevert, {Shortcut(Ctrl | Qt::Key_R)},
         Run(&W::actRevertExecute)},

        {"actHideCursor", &W::actHideCursor, "Hide mouse cursor in full screen", msOptions, {},
         Run(&W::actHideCursorExecute), StoredOption(false, "HideCursor", 4)},
        {"actSizingBorder", &W::actSizingBorder, "Sizing border", msOptions,
         {Shortcut(Qt::Key_Z)}, Run(&W::actSizingBorderExecute),
         StoredOption(false, "SizingBorder", 5)},

        {"actDebugConsole", &W::actDebugConsole, "Debug console", msConsole,
         {Shortcut(Qt::Key_D)}, Run(&W::actDebugConsoleExecute)},
        {"actSaveSettings", &W::actSaveSettings, "Save settings", msSettings, {},
         Run(&W::actSaveSettingsExecute), Option(false)},
        {"actQuit", &W::actQuit, "Quit", msQuit, {Key(Qt::Key_Escape)}, Run(&W::actQuitExecute)},

        // The arrows move the window, or in full screen the picture.
        {nullptr, nullptr, nullptr, msNone, {KeyWhileListClosed(Qt::Key_Left)},
         Run(&W::MoveByArrow, W::arLeft)},
        {nullptr, nullptr, nullptr, msNone, {KeyWhileListClosed(Qt::Key_Right)},
         Run(&W::MoveByArrow, W::arRight)},
        {nullptr, nullptr, nullptr, msNone, {KeyWhileListClosed(Qt::Key_Up)},
         Run(&W::MoveByArrow, W::arUp)},
        {nullptr, nullptr, nullptr, msNone, {KeyWhileListClosed(Qt::Key_Down)},
         Run(&W::MoveByArrow, W::arDown)},
    };
    // clang-format on
    return commands;
}
