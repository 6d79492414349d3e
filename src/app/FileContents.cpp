#include "app/FileContents.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Closes the descriptor on every path.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int descriptor) : Descriptor(descriptor) {}
    ~TFileDescriptor() {
        if (Descriptor >= 0)
            ::close(Descriptor);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return Descriptor; }
    // Closing reports the last write errors of some file systems, so it is checked.
    bool Close() {
        const int descriptor = Descriptor;
        Descriptor = -1;
        return ::close(descriptor) == 0;
    }

private:
    int Descriptor;
};

bool WriteAll(int descriptor, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += size_t(count);
    }
    return true;
}
// The file a path finally names once every symbolic link on the way is followed (relative
// links from the link's own directory); a dangling link names the file it would create.
std::optional<std::string> FollowLinks(std::string path) {
    namespace fs = std::filesystem;
    // As many hops as the kernel follows before it gives up on a loop.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            return path;
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            return std::nullopt;
        path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
    }
    return std::nullopt;
}
} // namespace

std::optional<std::string> ReadFileContents(const std::string& path) {
    // A pipe would block the start of the viewer: only a regular file is read.
    TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string contents;
    char block[4096];
    for (;;) {
        const ssize_t count = ::read(file.Get(), block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return contents;
        contents.append(block, size_t(count));
    }
}

bool ReplaceFileContents(const std::string& linkOrFile, const std::string& bytes) {
    // Renaming over a link would replace the link; the file it points to is the one meant.
    const std::optional<std::string> target = FollowLinks(linkOrFile);
    if (!target)
        return false;
    const std::string& path = *target;
    std::string temporary = path + ".XXXXXX";
    TFileDescriptor file(::mkstemp(temporary.data()));
    if (file.Get() < 0)
        return false;
    // mkstemp makes the file private; a replaced file keeps its own permissions, a new one
    // gets those of any newly created file.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written =
        ::fchmod(file.Get(), mode) == 0 && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool CreateDirectories(const std::string& path) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error))
        return true;
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if (parent != path && !CreateDirectories(parent))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 ||
           (errno == EEXIST && std::filesystem::is_directory(path, error));
}
