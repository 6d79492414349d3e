#include "app/QtPlatformServices.h"

#include "app/FreedesktopTrash.h"
#include "display/PhysicalPixels.h"

#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTime>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Qt measures in device-independent pixels; the viewer in physical ones.
qreal PixelRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

// Qt breaks lines at LF only; the viewer's texts may use CR LF or a lone CR.
QString WithLineFeeds(const std::string& text) {
    QString result = ToQt(text);
    result.replace("\r\n", "\n");
    result.replace('\r', '\n');
    return result;
}
} // namespace

std::vector<TScreenArea> QtPlatformServices::Screens() {
    // Qt lists the primary screen first. One ratio for the whole desktop, as for the cursor,
    // so that positions on any screen compare.
    std::vector<TScreenArea> screens;
    const qreal ratio = PixelRatio();
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back({PhysicalRect(screen->geometry(), ratio),
                           PhysicalRect(screen->availableGeometry(), ratio)});
    return screens;
}

TPoint QtPlatformServices::CursorPos() {
    const QPoint position = QCursor::pos();
    const qreal ratio = PixelRatio();
    return {int32_t(std::lround(position.x() * ratio)), int32_t(std::lround(position.y() * ratio))};
}

void QtPlatformServices::SetCursorPos(TPoint position) {
    const qreal ratio = PixelRatio();
    QCursor::setPos(int(std::lround(position.X / ratio)), int(std::lround(position.Y / ratio)));
}

TMessageAnswer QtPlatformServices::MessageBox(const std::string& text, const std::string& caption,
                                              TMessageKind kind, TMessageButtons buttons) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case TMessageKind::mkConfirmation:
        icon = QMessageBox::Question;
        break;
    case TMessageKind::mkWarning:
        icon = QMessageBox::Warning;
        break;
    case TMessageKind::mkError:
        icon = QMessageBox::Critical;
        break;
    case TMessageKind::mkInformation:
        icon = QMessageBox::Information;
        break;
    case TMessageKind::mkPlain:
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == TMessageButtons::mbYesNo)
        standard = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == TMessageButtons::mbOkCancel)
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(icon, ToQt(caption), WithLineFeeds(text), standard);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMessageAnswer::maYes;
    case QMessageBox::Ok:
        return TMessageAnswer::maOk;
    case QMessageBox::Cancel:
        return TMessageAnswer::maCancel;
    default:
        return buttons == TMessageButtons::mbOkCancel ? TMessageAnswer::maCancel
                                                      : TMessageAnswer::maNo;
    }
}

std::optional<std::string> QtPlatformServices::InputQuery(const std::string& caption,
                                                          const std::string& prompt,
                                                          const std::string& initial) {
    bool accepted = false;
    const QString text = QInputDialog::getText(nullptr, ToQt(caption), ToQt(prompt),
                                               QLineEdit::Normal, ToQt(initial), &accepted);
    if (!accepted)
        return std::nullopt;
    return text.toStdString();
}

std::optional<std::string> QtPlatformServices::BrowseForFolder(const std::string& title) {
    const QString directory = QFileDialog::getExistingDirectory(nullptr, ToQt(title));
    if (directory.isEmpty())
        return std::nullopt;
    return directory.toStdString();
}

bool QtPlatformServices::StartProcess(const std::vector<std::string>& words) {
    if (words.empty() || words.front().empty())
        return false;
    QStringList arguments;
    for (size_t i = 1; i < words.size(); ++i)
        arguments << ToQt(words[i]);
    return QProcess::startDetached(ToQt(words.front()), arguments);
}

bool QtPlatformServices::DeleteFile(const std::string& path) {
    // Windows refuses to delete a read-only file; so do we.
    if (IsReadOnly(path))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool QtPlatformServices::IsReadOnly(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return false;
    return (status.st_mode & S_IWUSR) == 0;
}

bool QtPlatformServices::MakeWritable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return false;
    return ::chmod(path.c_str(), status.st_mode | S_IWUSR) == 0;
}

std::optional<std::string> QtPlatformServices::MoveToTrash(const std::string& path) {
    return MoveFileToTrash(path);
}

bool QtPlatformServices::RestoreFromTrash(const std::string& trashedPath, const std::string& path) {
    return RestoreFileFromTrash(trashedPath, path);
}

int32_t QtPlatformServices::MillisecondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay();
}

void QtPlatformServices::Terminate(int32_t exitCode) {
    QCoreApplication::exit(exitCode);
}
