#include "app/ProgramFiles.h"

#include <filesystem>

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
