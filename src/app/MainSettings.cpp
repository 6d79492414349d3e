#include "app/MainWindow.h"

#include "app/FileContents.h"
#include "app/SettingsLines.h"
#include "platform/MetadataOptions.h"

#include <QAction>

namespace {
// The options the settings file keeps, in the order they are read and written.
struct TStoredOption {
    const char* Key;
    QAction* TfrmMain::*Action;
};
const TStoredOption StoredOptions[] = {
    {"FullScreen", &TfrmMain::actFullScreen}, {"Enlarge", &TfrmMain::actEnlarge},
    {"Shrink", &TfrmMain::actShrink},         {"Filtering", &TfrmMain::actFiltering},
    {"HideCursor", &TfrmMain::actHideCursor}, {"SizingBorder", &TfrmMain::actSizingBorder},
};
// Settings of loading, not commands: on unless the file says 0, so that a file written
// before they existed keeps pictures upright and in their colours.
struct TStoredLoadingSetting {
    const char* Key;
    bool TMetadataOptions::*Member;
};
const TStoredLoadingSetting StoredLoadingSettings[] = {
    {"ApplyOrientation", &TMetadataOptions::Orientation},
    {"ApplyColorProfiles", &TMetadataOptions::ColorProfiles},
};
constexpr size_t CustomCommandCount = 4;

std::string CustomCommandKey(size_t entry) {
    return "CustomCommand" + std::to_string(entry + 1);
}
} // namespace

void TfrmMain::LoadSettings() {
    const int32_t start = Services.MillisecondsSinceMidnight();
    actSaveSettings->setChecked(true);
    CustomCommands.clear();
    MetadataOptions() = {};
    const std::string path = SettingsPath();
    if (const std::optional<std::string> text = ReadFileContents(path)) {
        const std::vector<std::string> lines = SplitSettingsLines(*text);
        for (const TStoredOption& option : StoredOptions)
            (this->*option.Action)->setChecked(FindSettingsValue(lines, option.Key) == "1");
        for (const TStoredLoadingSetting& setting : StoredLoadingSettings)
            MetadataOptions().*setting.Member = FindSettingsValue(lines, setting.Key) != "0";
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
    for (const TStoredOption& option : StoredOptions)
        line(std::string(option.Key) + "=" + ((this->*option.Action)->isChecked() ? "1" : "0"));
    for (const TStoredLoadingSetting& setting : StoredLoadingSettings)
        line(std::string(setting.Key) + "=" + (MetadataOptions().*setting.Member ? "1" : "0"));
    line("");
    line("[Custom commands]");
    for (size_t entry = 0; entry < CustomCommandCount; ++entry)
        line(CustomCommandKey(entry) + "=" + CustomCommand(entry));
    const std::string path = SettingsPath();
    if (!ReplaceFileContents(path, text))
        Log("*Error*: Unable to save settings to " + path);
}

std::string TfrmMain::CustomCommand(size_t entry) const {
    // An unreadable settings file leaves the list short: a missing entry is an empty command.
    return entry < CustomCommands.size() ? CustomCommands[entry] : std::string();
}

void TfrmMain::actSaveSettingsExecute() {
    actSaveSettings->setChecked(!actSaveSettings->isChecked());
    if (actSaveSettings->isChecked())
        return;
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
