#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"

#include <QApplication>
#include <QTimer>

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
    PreferX11OnWayland();
    RegisterFileFormats(&TMetafile::ClassInfo);
    QApplication application(argc, argv);
    application.setApplicationName("Pelorama");

    std::vector<std::string> arguments;
    const QStringList qtArguments = QCoreApplication::arguments();
    if (qtArguments.size() > 1)
        arguments.push_back(qtArguments.at(1).toStdString());

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
