#include "app/ProgramFiles.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string InstalledDataDirectory(const std::string& executablePath) {
    return (fs::path(executablePath).parent_path() / PELORAMA_DATA_FROM_PROGRAM)
        .lexically_normal()
        .string();
}

bool IsInstalledProgram(const std::string& executablePath) {
    std::error_code error;
    return fs::is_directory(InstalledDataDirectory(executablePath), error);
}

std::string ProgramDataFile(const std::string& executablePath, const std::string& name) {
    const fs::path beside = fs::path(executablePath).parent_path() / name;
    const fs::path installed = fs::path(InstalledDataDirectory(executablePath)) / name;
    std::error_code error;
    if (!fs::exists(beside, error) && fs::exists(installed, error))
        return installed.string();
    return beside.string();
}

TSettingsEnvironment CurrentSettingsEnvironment() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return {variable("XDG_CONFIG_HOME"), variable("HOME")};
}

std::string SettingsFilePath(const std::string& executablePath,
                             const TSettingsEnvironment& environment) {
    const fs::path beside = fs::path(executablePath).replace_extension(".ini");
    std::error_code error;
    if (fs::exists(beside, error))
        return beside.string();
    // An installed program's folder may well be writable (for root, or under a prefix in
    // the home), yet settings have no place among programs.
    if (!IsInstalledProgram(executablePath) && ::access(beside.parent_path().c_str(), W_OK) == 0)
        return beside.string();
    const fs::path configHome = fs::path(environment.ConfigHome).is_absolute()
                                    ? fs::path(environment.ConfigHome)
                                    : fs::path(environment.Home) / ".config";
    return (configHome / "pelorama" / "pelorama.ini").string();
}
