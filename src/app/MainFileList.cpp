#include "app/MainWindow.h"

#include <QAction>
#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>

namespace {
const std::string TopLevelMarker = "/./";

// From the last "." on, upper case; empty without a dot.
std::string UpperCaseExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return extension;
}

// Files below the top level are listed by their plain paths.
std::string WithoutTopLevelMarker(const std::string& path) {
    std::string plain;
    plain.reserve(path.size());
    size_t from = 0;
    for (size_t at = path.find(TopLevelMarker); at != std::string::npos;
         at = path.find(TopLevelMarker, from)) {
        plain.append(path, from, at - from).push_back('/');
        from = at + TopLevelMarker.size();
    }
    plain.append(path, from, std::string::npos);
    return plain;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

namespace {
// Without a locale ("C", "POSIX") the collator compares code points and keeps case apart;
// case-folded code points keep the case-insensitive order there.
bool HasNoLocale(const QCollator& collator) {
    return collator.locale().language() == QLocale::C;
}
} // namespace

int TfrmMain::CompareNames(const std::string& a, const std::string& b) const {
    const QString first = QString::fromStdString(a);
    const QString second = QString::fromStdString(b);
    if (HasNoLocale(NameOrder))
        return first.compare(second, Qt::CaseInsensitive);
    return NameOrder.compare(first, second);
}

void TfrmMain::SortNames(std::vector<std::string>& names) const {
    // One key per name, made once: comparing keys is far cheaper than collating strings.
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), size_t(0));
    if (HasNoLocale(NameOrder)) {
        std::vector<QString> keys;
        keys.reserve(names.size());
        for (const std::string& name : names)
            keys.push_back(QString::fromStdString(name).toCaseFolded());
        std::stable_sort(order.begin(), order.end(),
                         [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    } else {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(names.size());
        for (const std::string& name : names)
            keys.push_back(NameOrder.sortKey(QString::fromStdString(name)));
        std::stable_sort(order.begin(), order.end(),
                         [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
    }
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (size_t index : order)
        sorted.push_back(std::move(names[index]));
    names = std::move(sorted);
}

bool TfrmMain::IsListedExtension(const std::string& name) const {
    const std::string extension = UpperCaseExtension(name);
    if (extension.empty() || !ExtensionList)
        return false;
    return std::binary_search(
        ExtensionList->begin(), ExtensionList->end(), extension,
        [this](const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; });
}

void TfrmMain::BuildFileList(std::string directory) {
    setCursor(Qt::WaitCursor);
    // A nested prompt inside this build must never end the process.
    const bool firstActivation = FirstActivation;
    FirstActivation = false;
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    CurrentDir = directory;
    FileList.emplace();
    ScannedDirectories.clear();
    ScanDirectory(directory + "./");
    ScannedDirectories.clear();
    SortNames(*FileList);
    CurrentIndex = 0;
    if (FileList->empty()) {
        Services.MessageBox("There's no picture is that directory", "", TMessageKind::mkError,
                            TMessageButtons::mbOk);
        actChangeDirExecute();
    }
    FirstActivation = firstActivation;
    unsetCursor();

    Log("");
    Log("===== File list =====");
    for (const std::string& path : *FileList)
        Log(path);
}

void TfrmMain::ScanDirectory(std::string path) {
    if (!EndsWith(path, TopLevelMarker))
        path = WithoutTopLevelMarker(path);
    // A directory reached a second time (through a link) is not listed again, so a link
    // loop ends here.
    const std::optional<TDirectoryIdentity> identity = DirectoryIdentity(path);
    if (!identity || !ScannedDirectories.insert(*identity).second)
        return;
    const bool recurse = actRecurseSubDir->isChecked();
    for (const TDirectoryEntry& entry : ListDirectory(path)) {
        // A directory called "holiday.jpg" is no picture, nor is a pipe, which would block
        // whoever reads it.
        if (entry.IsRegularFile && IsListedExtension(entry.Name))
            FileList->push_back(path + entry.Name);
        if (recurse && entry.IsDirectory)
            ScanDirectory(path + entry.Name + "/");
    }
}

std::optional<std::string> TfrmMain::BrowseForDirectory(const std::string& title) {
    return Services.BrowseForFolder(title);
}

void TfrmMain::actChangeDirExecute() {
    const std::optional<std::string> chosen =
        BrowseForDirectory("Choose a new directory to browse");
    if (chosen) {
        BuildFileList(*chosen);
        if (!FileList->empty())
            GoToPicture(0);
        else if (FirstActivation)
            Terminate(3);
    } else if (FirstActivation) {
        Terminate(3);
    }
}

void TfrmMain::actRecurseSubDirExecute() {
    actRecurseSubDir->setChecked(!actRecurseSubDir->isChecked());
    const std::optional<std::string> shown = CurrentListedFile();
    const std::string directory = CurrentDir;
    BuildFileList(CurrentDir);
    // A picture of a subdirectory has no place in the list without them, nor have the
    // neighbours cached around it: the list's first picture takes over, so that every step
    // works on the new list at once. (A prompt for an emptied directory showed its own.)
    if (shown && CurrentDir == directory && !FileList->empty() &&
        std::find(FileList->begin(), FileList->end(), *shown) == FileList->end())
        GoToPicture(0);
}

void TfrmMain::actRefreshFileListExecute() {
    const int32_t position = CurrentIndex;
    const std::string directory = CurrentDir;
    BuildFileList(CurrentDir);
    // A directory emptied meanwhile prompts for another one, which shows its own first
    // picture: the old position means nothing there.
    if (CurrentDir == directory)
        CurrentIndex = position;
}
