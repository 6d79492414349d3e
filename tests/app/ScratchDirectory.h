#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh directory below /tmp for one test, removed with everything in it afterwards.
class TScratchDirectory {
public:
    explicit TScratchDirectory(const std::string& prefix) {
        std::string pattern = "/tmp/pelorama-" + prefix + "-XXXXXX";
        Path = mkdtemp(pattern.data());
    }
    ~TScratchDirectory() {
        std::error_code error;
        std::filesystem::remove_all(Path, error);
    }
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    std::string PathOf(const std::string& name) const { return Path + "/" + name; }

    std::string Path;
};
