#include "app/MainWindow.h"

#include "formats/FileFormatList.h"
#include "raster/FastIMG.h"

#include <QAction>
#include <QApplication>
#include <QCollator>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {
int32_t RoundEven(double value) {
    return int32_t(std::lrint(value));
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}
} // namespace

std::string TfrmMain::FirstArgument() const {
    return Arguments.empty() ? std::string() : Arguments.front();
}

std::string TfrmMain::SettingsPath() const {
    return std::filesystem::path(ExecutablePath).replace_extension(".ini").string();
}

void TfrmMain::FormCreate() {
    DebugLog.clear();
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this,
                     [this](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             ApplicationActivate();
                     });

    CustomCommands.assign(4, " ");

    const TRect workArea = Services.WorkArea();
    WorkAreaRight = workArea.Right;
    WorkAreaBottom = workArea.Bottom;
    // An empty window at the work area's centre; the first fit grows it around that point.
    const int32_t left = RoundEven(WorkAreaRight / 2.0);
    const int32_t top = RoundEven(WorkAreaBottom / 2.0);
    SetWindowBounds({left, top, left, top});

    DisplaySurface = new TFastIMG(this);
    DisplayBuffer = std::make_unique<TFastBMP>();
    DisplaySurface->SetBuffer(DisplayBuffer.get());
    DisplaySurface->SetAutoSize(true);
    DisplaySurface->SetBilinearResize(actFiltering->isChecked());
    DisplaySurface->SetDrawStyle(dsResize);

    actDebugConsole->setVisible(true);

    const std::string argument = FirstArgument();
    if (FileExists(argument)) {
        CurrentBmp = LoadPicture(argument);
        ShowPicture(*CurrentBmp);
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
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(extensions.begin(), extensions.end(),
                  [&collator](const std::string& a, const std::string& b) {
                      return collator.compare(QString::fromStdString(a),
                                              QString::fromStdString(b)) < 0;
                  });
        ExtensionList = std::move(extensions);

        actRotate90cw->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_9));
        actRotate90ccw->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_7));
        actVFlip->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_8));
        actHFlip->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_5));

        FirstActivation = false;
    }
    ActivationRunning = false;
}
