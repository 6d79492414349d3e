#pragma once

#include <string>
#include <vector>

// The words of a custom command for a picture: the template is split into words first (like
// a shell splits on spaces and double quotes), then in each word every "%n" becomes the path
// as listed, then every "%p" its directory part (up to and including the last "/"), then
// every "%f" its file name, then every "%e" the file name's extension from its last "." (empty
// without one). Each replacement works on the result of the one before, so placeholder text
// inside the path is replaced again; whatever the path holds (spaces, quotes) stays inside its
// word, so a file name can never add an argument.
std::vector<std::string> ExpandCustomCommand(const std::string& commandTemplate,
                                             const std::string& path);
