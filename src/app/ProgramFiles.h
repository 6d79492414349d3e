#pragma once

#include <string>

// Where the program finds the files it ships with, and where it keeps its settings. A
// program run from its build tree or from a copied folder has them beside it; an installed
// one in its data directory (share/pelorama, found relative to the program, so any
// installation prefix works).

// The data directory of an installed program: <program directory>/../share/pelorama.
std::string InstalledDataDirectory(const std::string& executablePath);
// True when that directory exists, i.e. the program runs from an installed tree.
bool IsInstalledProgram(const std::string& executablePath);
// The shipped file beside the program when it is there, else in the data directory when it
// is there, else the path beside the program.
std::string ProgramDataFile(const std::string& executablePath, const std::string& name);

// The variables that place the settings of an installed program.
struct TSettingsEnvironment {
    std::string ConfigHome; // XDG_CONFIG_HOME
    std::string Home;       // HOME
};
TSettingsEnvironment CurrentSettingsEnvironment();

// A portable copy keeps its settings beside the program: when a pelorama.ini is already
// there, or when the program is not installed and may write to its folder. Otherwise each
// user has his own in $XDG_CONFIG_HOME/pelorama/pelorama.ini (~/.config standing in for an
// unset or relative XDG_CONFIG_HOME).
std::string SettingsFilePath(const std::string& executablePath,
                             const TSettingsEnvironment& environment);
