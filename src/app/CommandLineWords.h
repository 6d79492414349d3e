#pragma once

#include <string>
#include <vector>

// Splits a command line into words the way a shell splits on spaces and double quotes,
// without any other shell syntax: a quoted stretch may hold spaces, and quotes join with the
// text around them ("a"b is one word ab). An unterminated quote runs to the end of the line.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
