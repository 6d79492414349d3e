#include "app/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {
TDirectoryEntry Entry(const std::string& directory, const dirent& entry) {
    TDirectoryEntry result{entry.d_name};
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        result.IsDirectory = entry.d_type == DT_DIR;
        result.IsRegularFile = entry.d_type == DT_REG;
        return result;
    }
    // Only links and file systems without entry types need a look at the target.
    std::string path = directory;
    if (path.empty() || path.back() != '/')
        path += '/';
    struct stat status {};
    if (::stat((path + entry.d_name).c_str(), &status) == 0) {
        result.IsDirectory = S_ISDIR(status.st_mode);
        result.IsRegularFile = S_ISREG(status.st_mode);
    }
    return result;
}
} // namespace

std::vector<TDirectoryEntry> ListDirectory(const std::string& path) {
    std::vector<TDirectoryEntry> entries;
    DIR* directory = ::opendir(path.c_str());
    if (!directory)
        return entries;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        entries.push_back(Entry(path, *entry));
    }
    ::closedir(directory);
    return entries;
}

std::optional<TDirectoryIdentity> DirectoryIdentity(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return TDirectoryIdentity{uint64_t(status.st_dev), uint64_t(status.st_ino)};
}

bool IsDirectory(const std::string& path) {
    return DirectoryIdentity(path).has_value();
}
