#include "app/CommandLineOptions.h"

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    TCommandLine result;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (!options || argument.size() < 2 || argument[0] != '-') {
            result.Names.push_back(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument == "-h" || argument == "--help") {
            // The first request wins: "--help --bogus" still helps.
            if (result.Action == TCommandLine::caRun)
                result.Action = TCommandLine::caHelp;
        } else if (argument == "--version") {
            if (result.Action == TCommandLine::caRun)
                result.Action = TCommandLine::caVersion;
        } else if (result.Action == TCommandLine::caRun) {
            result.Action = TCommandLine::caBadOption;
            result.BadOption = argument;
        }
    }
    return result;
}

std::string UsageText() {
    return "Usage: pelorama [OPTION] [PICTURE | DIRECTORY]\n"
           "Shows the picture, or the first picture of the directory, and steps through\n"
           "every picture beside it. Without an argument it asks for a directory.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "      --         end of options: a later name starting with \"-\" is a file\n"
           "\n"
           "Exit status: 0 normally; 1 when the folder holds no picture or no display can\n"
           "be opened; 2 for a wrong option; 3 when the directory prompt at start is\n"
           "cancelled. Keys, settings and files: see pelorama(1).\n";
}

std::string VersionText() {
    return "pelorama " PELORAMA_VERSION "\n";
}
