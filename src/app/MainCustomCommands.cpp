#include "app/MainWindow.h"

#include "app/CustomCommandLine.h"

std::optional<std::string> TfrmMain::CurrentListedFile() const {
    // Started on a file that is not listed, or with an empty list, there is none.
    if (!FileList || CurrentIndex < 0 || size_t(CurrentIndex) >= FileList->size())
        return std::nullopt;
    return (*FileList)[size_t(CurrentIndex)];
}

void TfrmMain::RunCustomCommand(int32_t entry) {
    // A negative entry is past any list, so no command either.
    const std::string commandTemplate = CustomCommand(size_t(entry));
    const std::optional<std::string> path = CurrentListedFile();
    if (commandTemplate.empty() || !path)
        return;
    const std::vector<std::string> words = ExpandCustomCommand(commandTemplate, *path);
    // A blank template, like the default of one space, names no program; nor does a
    // placeholder that became nothing.
    if (words.empty() || words.front().empty())
        return;
    Services.StartProcess(words); // a program that will not start is not reported
}
