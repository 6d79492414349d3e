#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The settings file is read as a flat list of "name=value" lines: sections only help the
// reader of the file.

// A line ends at CR LF, at a lone CR or at a lone LF; a NUL ends the text. A last line without
// an ending counts; an empty text has no lines.
std::vector<std::string> SplitSettingsLines(std::string_view text);

// The value of the first line whose text before its first "=" equals the key, letter case
// ignored. The value is everything after that "=", unchanged. Lines without "=" never match.
std::optional<std::string> FindSettingsValue(const std::vector<std::string>& lines,
                                             std::string_view key);
