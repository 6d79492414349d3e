#pragma once

#include <string>
#include <vector>

// What the command line asks for. The viewer takes one picture or directory; Qt's own
// options are not accepted (its environment variables still are), so a file can never be
// mistaken for one of them.
struct TCommandLine {
    enum TAction { caRun, caHelp, caVersion, caBadOption };
    TAction Action = caRun;
    // The names that are not options, in order; the viewer uses the first.
    std::vector<std::string> Names;
    // The first argument that looked like an option and is none (caBadOption).
    std::string BadOption;
};

// The arguments after the program name. "--" ends the options: every later argument is a
// name, also one that starts with "-". A lone "-" is a name.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help, also printed to standard error after a bad option.
std::string UsageText();
std::string VersionText();

// Exit code for a command line that could not be understood.
constexpr int BadCommandLineExitCode = 2;
