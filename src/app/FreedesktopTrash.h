#pragma once

#include <optional>
#include <string>

// The desktop's trash as file managers share it: a file moved there keeps a record of its
// old place beside it, so that it can be put back. The home trash serves the home's file
// system; another file system has a trash of its own at its top, or none.

// The file's place in the trash, or nothing when it cannot be trashed (no trash on its file
// system, no permission, gone).
std::optional<std::string> MoveFileToTrash(const std::string& path);

// Puts the trashed file back at PATH and drops the trash's record of it. Never replaces a
// file that took the place meanwhile; false when the file cannot be put back.
bool RestoreFileFromTrash(const std::string& trashedPath, const std::string& path);
