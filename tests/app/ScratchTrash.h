#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// The desktop's trash inside a test's directory: home and data directory point there (the
// trash serves files on the home's file system from the data directory) until destruction.
class TScratchTrash {
public:
    explicit TScratchTrash(const std::string& directory, const std::string& dataHome = "data")
        : Files(directory + "/" + dataHome + "/Trash/files/"),
          Info(directory + "/" + dataHome + "/Trash/info/"), Home(Replace("HOME", directory)),
          DataHome(Replace("XDG_DATA_HOME", directory + "/" + dataHome)) {}
    ~TScratchTrash() {
        Restore("HOME", Home);
        Restore("XDG_DATA_HOME", DataHome);
    }
    TScratchTrash(const TScratchTrash&) = delete;
    TScratchTrash& operator=(const TScratchTrash&) = delete;

    const std::string Files; // where trashed files are kept
    const std::string Info;  // their records

private:
    static std::optional<std::string> Replace(const char* name, const std::string& value) {
        const char* previous = std::getenv(name);
        std::optional<std::string> saved;
        if (previous)
            saved = previous;
        setenv(name, value.c_str(), 1);
        return saved;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        saved ? setenv(name, saved->c_str(), 1) : unsetenv(name);
    }

    const std::optional<std::string> Home, DataHome;
};
