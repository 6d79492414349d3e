#include "app/FreedesktopTrash.h"

#include <QDateTime>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

std::optional<struct stat> StatusOf(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return std::nullopt;
    return status;
}

fs::path DataHome() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        return dataHome;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".local/share";
}

// The device of the path, or of its nearest existing ancestor: a home trash not made yet
// lives where its parents are.
std::optional<dev_t> DeviceOf(fs::path path) {
    for (;; path = path.parent_path()) {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0)
            return status.st_dev;
        if (path == path.parent_path())
            return std::nullopt;
    }
}

// The topmost directory of the file's file system: where its own trash would be.
fs::path MountPointOf(fs::path path, dev_t device) {
    while (path != path.parent_path()) {
        const std::optional<struct stat> parent = StatusOf(path.parent_path());
        if (!parent || parent->st_dev != device)
            break;
        path = path.parent_path();
    }
    return path;
}

bool MakePrivateDirectories(const fs::path& trash) {
    std::error_code error;
    if (fs::create_directories(trash, error))
        ::chmod(trash.c_str(), 0700);
    for (const char* part : {"files", "info"})
        if (::mkdir((trash / part).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    return fs::is_directory(trash / "files", error) && fs::is_directory(trash / "info", error);
}

// The trash of a file system other than the home's: a shared sticky .Trash with a directory
// per user, or the user's own .Trash-UID; nothing when neither can be had.
std::optional<fs::path> TopDirectoryTrash(const fs::path& top) {
    const std::string user = std::to_string(::getuid());
    const std::optional<struct stat> shared = StatusOf(top / ".Trash");
    if (shared && S_ISDIR(shared->st_mode) && (shared->st_mode & S_ISVTX) &&
        MakePrivateDirectories(top / ".Trash" / user))
        return top / ".Trash" / user;
    const fs::path own = top / (".Trash-" + user);
    const std::optional<struct stat> existing = StatusOf(own);
    if (existing && (!S_ISDIR(existing->st_mode) || existing->st_uid != ::getuid()))
        return std::nullopt;
    if (!MakePrivateDirectories(own))
        return std::nullopt;
    return own;
}

std::string TrashInfo(const std::string& path) {
    const QByteArray escaped = QUrl::toPercentEncoding(QByteArray::fromStdString(path), "/");
    return "[Trash Info]\nPath=" + escaped.toStdString() + "\nDeletionDate=" +
           QDateTime::currentDateTime().toString("yyyy-MM-dd'T'hh:mm:ss").toStdString() + "\n";
}

// Claims a name in the trash by creating its record: the record's exclusive creation keeps
// two trashings of equal names apart. Returns the name, or nothing.
std::optional<std::string> WriteRecord(const fs::path& trash, const fs::path& file,
                                       const std::string& info) {
    const std::string stem = file.stem().string();
    const std::string extension = file.extension().string();
    for (int number = 1; number < 10000; ++number) {
        const std::string name = number == 1 ? file.filename().string()
                                             : stem + "." + std::to_string(number) + extension;
        const fs::path record = trash / "info" / (name + ".trashinfo");
        const int descriptor = ::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            return std::nullopt;
        }
        const bool written = ::write(descriptor, info.data(), info.size()) == ssize_t(info.size());
        const bool closed = ::close(descriptor) == 0;
        std::error_code error;
        if (written && closed && !fs::exists(trash / "files" / name, error))
            return name;
        ::unlink(record.c_str());
        if (!written || !closed)
            return std::nullopt;
    }
    return std::nullopt;
}

// The trash keeps the file in files/ and its record in info/, named after it.
fs::path TrashInfoPath(const fs::path& trashed) {
    return trashed.parent_path().parent_path() / "info" /
           (trashed.filename().string() + ".trashinfo");
}

// A rename that fails instead of replacing what is at the destination.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without the flag: check, then rename.
    if (StatusOf(to))
        return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}
} // namespace

std::optional<std::string> MoveFileToTrash(const std::string& path) {
    std::error_code error;
    const fs::path file = fs::absolute(path, error).lexically_normal();
    const std::optional<struct stat> status = StatusOf(file);
    if (error || !status || S_ISDIR(status->st_mode))
        return std::nullopt;
    // A rename never crosses file systems: the trash must be on the file's own.
    fs::path trash = DataHome() / "Trash";
    std::string recordedPath = file.string();
    if (DeviceOf(trash) != status->st_dev) {
        const fs::path top = MountPointOf(file, status->st_dev);
        const std::optional<fs::path> topTrash = TopDirectoryTrash(top);
        if (!topTrash)
            return std::nullopt;
        trash = *topTrash;
        recordedPath = file.lexically_relative(top).string();
    } else if (!MakePrivateDirectories(trash)) {
        return std::nullopt;
    }
    const std::optional<std::string> name = WriteRecord(trash, file, TrashInfo(recordedPath));
    if (!name)
        return std::nullopt;
    const fs::path trashed = trash / "files" / *name;
    if (!RenameWithoutReplacing(file.string(), trashed.string())) {
        ::unlink(TrashInfoPath(trashed).c_str());
        return std::nullopt;
    }
    return trashed.string();
}

bool RestoreFileFromTrash(const std::string& trashedPath, const std::string& path) {
    if (!RenameWithoutReplacing(trashedPath, path))
        return false;
    std::error_code error;
    fs::remove(TrashInfoPath(trashedPath), error);
    return true;
}
