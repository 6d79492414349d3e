#pragma once

#include <optional>
#include <string>

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileContents(const std::string& path);

// Replaces the file's content as one step: the bytes go to a new file beside it, which is
// then renamed over it, so a crash or a full disk leaves either the old file or the new one,
// never a part. A symbolic link stays and the file it points to is replaced. An existing file
// keeps its permissions. False when anything fails; the file is then untouched and no
// temporary file is left behind.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);

// Creates the directory with every missing parent, each new one private to the user (as the
// XDG rules ask of a configuration directory). True when the directory exists afterwards.
bool CreateDirectories(const std::string& path);
