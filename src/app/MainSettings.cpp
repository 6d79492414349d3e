#include "app/MainWindow.h"

#include "app/CommandTable.h"
#include "app/FileContents.h"
#include "app/SettingsLines.h"
#include "platform/MetadataOptions.h"
#include "platform/PictureLimits.h"

#include <QAction>

#include <algorithm>
#include <filesystem>

namespace {
// The rows of the command table whose options the settings file keeps, in the order of
// their lines.
std::vector<size_t> StoredOptionRows() {
    const std::vector<TCommand>& commands = CommandTable();
    std::vector<size_t> rows;
    for (size_t index = 0; index < commands.size(); ++index)
        if (commands[index].Option.SettingsKey)
            rows.push_back(index);
    std::stable_sort(rows.begin(), rows.end(), [&commands](size_t a, size_t b) {
        return commands[a].Option.SettingsLine < commands[b].Option.SettingsLine;
    });
    return rows;
}

// Settings without a command: on unless the file says 0, so that a file written before they
// existed keeps pictures upright and in their colours, and deleted pictures in the trash.
struct TStoredSwitch {
    const char* Key;
    bool& (*Value)(TfrmMain&);
};
const TStoredSwitch StoredSwitches[] = {
    {"ApplyOrientation", [](TfrmMain&) -> bool& { return MetadataOptions().Orientation; }},
    {"ApplyColorProfiles", [](TfrmMain&) -> bool& { return MetadataOptions().ColorProfiles; }},
    {"DeleteToTrash", [](TfrmMain& window) -> bool& { return window.DeleteToTrash; }},
};
constexpr size_t CustomCommandCount = 4;

std::string CustomCommandKey(size_t entry) {
    return "CustomCommand" + std::to_string(entry + 1);
}

// The memory one picture's load may take, in MiB; without the key, or with anything but a
// whole number from 1 to 2^20, the default holds. Only a value of the user's is written back.
const char* const MemoryBudgetKey = "PictureMemoryMB";
constexpr int64_t MiB = int64_t(1) << 20;

int64_t MemoryBudgetOf(const std::optional<std::string>& value) {
    if (!value || value->empty() || value->size() > 7 ||
        value->find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int64_t megabytes = std::stoll(*value);
    return megabytes <= MiB ? megabytes * MiB : 0;
}
} // namespace

void TfrmMain::LoadSettings() {
    const int32_t start = Services.MillisecondsSinceMidnight();
    actSaveSettings->setChecked(true);
    CustomCommands.clear();
    MetadataOptions() = {};
    const std::string path = SettingsPath();
    Log("Settings file: " + path);
    if (const std::optional<std::string> text = ReadFileContents(path)) {
        const std::vector<std::string> lines = SplitSettingsLines(*text);
        for (const size_t row : StoredOptionRows())
            CommandActions[row]->setChecked(
                FindSettingsValue(lines, CommandTable()[row].Option.SettingsKey) == "1");
        for (const TStoredSwitch& setting : StoredSwitches)
            setting.Value(*this) = FindSettingsValue(lines, setting.Key) != "0";
        SetPictureMemoryBudget(MemoryBudgetOf(FindSettingsValue(lines, MemoryBudgetKey)));
        for (size_t entry = 0; entry < CustomCommandCount; ++entry)
            CustomCommands.push_back(
                FindSettingsValue(lines, CustomCommandKey(entry)).value_or(std::string()));
    } else {
        Log("*Error*: Unable to load settings from " + path);
    }
    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Load Settings: " + std::to_string(end - start) + " ms");
}

void TfrmMain::SaveSettings() {
    std::string text;
    const auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line("[General]");
    for (const size_t row : StoredOptionRows())
        line(std::string(CommandTable()[row].Option.SettingsKey) + "=" +
             (CommandActions[row]->isChecked() ? "1" : "0"));
    for (const TStoredSwitch& setting : StoredSwitches)
        line(std::string(setting.Key) + "=" + (setting.Value(*this) ? "1" : "0"));
    if (PictureMemoryBudget() != DefaultPictureMemoryBudget())
        line(std::string(MemoryBudgetKey) + "=" + std::to_string(PictureMemoryBudget() / MiB));
    line("");
    line("[Custom commands]");
    for (size_t entry = 0; entry < CustomCommandCount; ++entry)
        line(CustomCommandKey(entry) + "=" + CustomCommand(entry));
    const std::string path = SettingsPath();
    if (!CreateDirectories(std::filesystem::path(path).parent_path().string()) ||
        !ReplaceFileContents(path, text))
        Log("*Error*: Unable to save settings to " + path);
}

std::string TfrmMain::CustomCommand(size_t entry) const {
    // An unreadable settings file leaves the list short: a missing entry is an empty command.
    return entry < CustomCommands.size() ? CustomCommands[entry] : std::string();
}

void TfrmMain::actSaveSettingsExecute() {
    actSaveSettings->setChecked(!actSaveSettings->isChecked());
    if (actSaveSettings->isChecked()) {
        Log("Settings file: " + SettingsPath());
        return;
    }
    const TMessageAnswer answer =
        Services.MessageBox("This will reset all settings to defaults values\rAre you sure ?", "",
                            TMessageKind::mkConfirmation, TMessageButtons::mbYesNo);
    if (answer == TMessageAnswer::maYes)
        Services.DeleteFile(SettingsPath()); // a file that will not go is left as it is
    else
        actSaveSettings->setChecked(true);
}

void TfrmMain::FormDestroy() {
    if (actSaveSettings->isChecked())
        SaveSettings();
}
