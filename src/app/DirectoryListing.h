#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TDirectoryEntry {
    std::string Name;
    // Symbolic links count as what they point to; a dangling one is neither.
    bool IsDirectory = false;
    bool IsRegularFile = false; // no pipe, socket or device
};

// Identifies a directory however it was reached (through links or not).
struct TDirectoryIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    auto operator<=>(const TDirectoryIdentity&) const = default;
};

// Every entry of the directory in the order the file system returns them, hidden ones
// included, "." and ".." left out. An unreadable or missing directory has no entries.
std::vector<TDirectoryEntry> ListDirectory(const std::string& path);

// Nothing when the path does not lead to a directory.
std::optional<TDirectoryIdentity> DirectoryIdentity(const std::string& path);

// True when the path exists and is a directory (or a link to one).
bool IsDirectory(const std::string& path);
