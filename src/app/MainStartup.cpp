#include "app/MainWindow.h"

#include "app/ProgramFiles.h"
#include "display/FastIMG.h"
#include "formats/FileFormatList.h"
#include "platform/Rounding.h"

#include <QAction>
#include <QApplication>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {
std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

// Whatever exists and is no directory is taken as a picture file: a pipe or a device then
// fails to load like any unreadable file, shown as the error picture.
bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error) &&
           !std::filesystem::is_directory(path, error);
}
} // namespace

std::string TfrmMain::FirstArgument() const {
    return Arguments.empty() ? std::string() : Arguments.front();
}

std::string TfrmMain::SettingsPath() const {
    return SettingsFile;
}

void TfrmMain::FormCreate() {
    DebugLog.clear();
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this,
                     [this](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             ApplicationActivate();
                     });

    // Chosen once: loading and saving must meet the same file.
    SettingsFile = SettingsFilePath(ExecutablePath, CurrentSettingsEnvironment());
    std::error_code error;
    if (std::filesystem::exists(SettingsPath(), error))
        LoadSettings();
    else
        CustomCommands.assign(4, " ");
    // Twice: the window's edges follow the state the settings left.
    actSizingBorderExecute();
    actSizingBorderExecute();

    // An empty window at the centre of the primary screen's work area; the first fit grows
    // it around that point.
    const std::vector<TScreenArea> screens = Services.Screens();
    const TRect workArea = screens.empty() ? TRect{} : screens.front().WorkArea;
    const int32_t left = workArea.Left + RoundEven(workArea.Width() / 2.0);
    const int32_t top = workArea.Top + RoundEven(workArea.Height() / 2.0);
    SetWindowBounds({left, top, left, top});

    DisplaySurface = new TFastIMG(this);
    DisplayBuffer = std::make_unique<TFastBMP>();
    DisplaySurface->SetBuffer(DisplayBuffer.get());
    DisplaySurface->SetAutoSize(true);
    DisplaySurface->SetBilinearResize(actFiltering->isChecked());
    DisplaySurface->SetDrawStyle(dsResize);
    // Moves without a button record the drag origin.
    DisplaySurface->setMouseTracking(true);
    qApp->installEventFilter(this);

    actDebugConsole->setVisible(true);
    actUndoDelete->setEnabled(false); // until a picture goes to the trash

    const std::string argument = FirstArgument();
    if (FileExists(argument) && !ShowFirstView(argument)) {
        CurrentBmp = LoadPicture(argument);
        ShowPicture(*CurrentBmp);
    }
}

namespace {
std::string WithTrailingSlash(std::string directory) {
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

// Relative arguments are relative to the working directory, never to the root.
std::filesystem::path AbsolutePath(const std::string& path) {
    return std::filesystem::absolute(path).lexically_normal();
}

int32_t IndexOfPath(const std::vector<std::string>& list, const std::string& path) {
    // Names differing only in case are different files here: the exact one comes first.
    const auto exact = std::find(list.begin(), list.end(), path);
    if (exact != list.end())
        return int32_t(exact - list.begin());
    const QString wanted = QString::fromStdString(path);
    for (size_t i = 0; i < list.size(); ++i)
        if (QString::fromStdString(list[i]).compare(wanted, Qt::CaseInsensitive) == 0)
            return int32_t(i);
    return -1;
}
} // namespace

void TfrmMain::StartWithArgument() {
    const std::string argument = FirstArgument();
    if (FileExists(argument)) {
        const std::filesystem::path file = AbsolutePath(argument);
        const std::string directory = WithTrailingSlash(file.parent_path().string());
        BuildFileList(directory);
        if (FileList->empty())
            return Terminate(1);
        // A nested prompt may have moved to another directory and shown its first picture.
        if (CurrentDir == directory)
            CurrentIndex = IndexOfPath(*FileList, directory + "./" + file.filename().string());
    } else if (!argument.empty() && IsDirectory(argument)) {
        BuildFileList(AbsolutePath(argument).string());
        if (FileList->empty())
            return Terminate(1);
        CurrentBmp = LoadPicture((*FileList)[size_t(CurrentIndex)]);
        ShowPicture(*CurrentBmp);
    } else {
        actChangeDirExecute();
    }
}

void TfrmMain::ApplicationActivate() {
    raise();
    activateWindow();
    // Pending messages may activate the application again; that activation must not start
    // the first-activation work a second time.
    if (ActivationRunning)
        return;
    ActivationRunning = true;
    QCoreApplication::processEvents();
    if (FirstActivation) {
        std::vector<std::string> registered;
        FormatRegistry().GetExtensionList(registered);
        std::vector<std::string> extensions;
        for (const std::string& name : registered) {
            const std::string extension = "." + UpperCase(name);
            if (extension != ".SCR" && extension != ".WIN")
                extensions.push_back(extension);
        }
        SortNames(extensions);
        ExtensionList = std::move(extensions);

        AssignActivationShortcuts();

        // The picture's block comes before the file list's, as without a first view.
        AwaitFullPicture();
        StartWithArgument();
        if (Terminated) {
            ActivationRunning = false;
            return;
        }
        LoadNeighbours();
        FirstActivation = false;
    }
    ActivationRunning = false;
}

void TfrmMain::Terminate(int32_t exitCode) {
    Terminated = true;
    Services.Terminate(exitCode);
}
