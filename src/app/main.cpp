#include "app/CommandLineOptions.h"
#include "app/DisplayCheck.h"
#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
// A Wayland client may not place its own windows, and the viewer places its window on every
// picture: run through XWayland unless the user chose a platform.
void PreferX11OnWayland() {
    if (std::getenv("QT_QPA_PLATFORM"))
        return;
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool wayland =
        std::getenv("WAYLAND_DISPLAY") || (session && std::string(session) == "wayland");
    if (wayland)
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}
} // namespace

int main(int argc, char** argv) {
    const TCommandLine commandLine =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.Action) {
    case TCommandLine::caHelp:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case TCommandLine::caVersion:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case TCommandLine::caBadOption:
        std::fprintf(stderr, "pelorama: unknown option '%s'\n%s", commandLine.BadOption.c_str(),
                     UsageText().c_str());
        return BadCommandLineExitCode;
    case TCommandLine::caRun:
        break;
    }

    PreferX11OnWayland();
    if (const auto problem = DisplayProblem(CurrentDisplayEnvironment(), CanConnectToX)) {
        std::fprintf(stderr, "pelorama: %s\n", problem->c_str());
        return 1;
    }

    RegisterFileFormats(&TMetafile::ClassInfo);
    // Qt sees the program name only: the names were taken above, and none may be read as one
    // of Qt's options.
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    application.setApplicationName("Pelorama");
    application.setApplicationVersion(PELORAMA_VERSION);
    application.setDesktopFileName(PELORAMA_DESKTOP_ID);

    std::vector<std::string> arguments;
    if (!commandLine.Names.empty())
        arguments.push_back(commandLine.Names.front());

    QtPlatformServices services;
    TfrmMain window(services, arguments, QCoreApplication::applicationFilePath().toStdString());
    window.show();
    // Some platforms (offscreen, a bare X server) never report an activation.
    QTimer::singleShot(0, &window, [&window] {
        if (window.FirstActivation)
            window.ApplicationActivate();
    });
    const int exitCode = application.exec();
    UnregisterFileFormats();
    return exitCode;
}
