#include "app/MainWindow.h"

#include "app/CustomCommandLine.h"

std::optional<std::string> TfrmMain::CurrentListedFile() const {
    // Started on a file that is not listed, or with an empty list, there is none.
    if (!FileList || CurrentIndex < 0 || size_t(CurrentIndex) >= FileList->size())
        return std::nullopt;
    return (*FileList)[size_t(CurrentIndex)];
}

void TfrmMain::RunCustomCommand(size_t entry) {
    const std::string commandTemplate = CustomCommand(entry);
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

void TfrmMain::actCustCmd1Execute() {
    RunCustomCommand(0);
}

void TfrmMain::actCustCmd2Execute() {
    RunCustomCommand(1);
}

void TfrmMain::actCustCmd3Execute() {
    RunCustomCommand(2);
}

void TfrmMain::actCustCmd4Execute() {
    RunCustomCommand(3);
}
