#pragma once

#include <string>

// The command line of a custom command for a picture: in the template, every "%n" becomes the
// path as listed, then every "%p" its directory part (up to and including the last "/"), then
// every "%f" its file name, then every "%e" the file name's extension from its last "." (empty
// without one). Each replacement works on the result of the one before, so placeholder text
// inside the path is replaced again. Nothing is quoted: templates quote placeholders
// themselves.
std::string ExpandCustomCommand(const std::string& commandTemplate, const std::string& path);
