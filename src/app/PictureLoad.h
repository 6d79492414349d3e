#pragma once

#include "raster/FastBMP.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one load of a picture file leaves: the buffer to show and what the debug log and the
// user learn of it.
struct TPictureLoad {
    // The decoded file; the error picture, or a black square, when it cannot be decoded.
    std::unique_ptr<TFastBMP> Picture;
    // The load's block of the debug log: its head line, what it found and how long it took.
    std::vector<std::string> Log;
    // The line of Log that the picture's colour count completes: counting is no part of the
    // load. Nothing when the block has no such line.
    std::optional<size_t> ColorsLine;
    // Damage the decode went past; the caller decides whether the user is told.
    std::vector<std::string> Warnings;
};

// The head of the log line that tells a picture's colour count; alone until it is counted.
inline constexpr const char* ColorsLabel = "Colors: ";

// What a load needs beside the file: the error picture and a clock in milliseconds.
struct TPictureLoadSetup {
    std::string ErrorPicturePath;
    std::function<int32_t()> Milliseconds;
};

// Decodes the file; when that fails, the error picture (if asked for and readable) or a black
// square takes its place. Touches nothing of the window, so it runs on any thread; a load
// called off by another thread (TLoadCancellation) raises ELoadCancelled.
TPictureLoad LoadPictureFile(const std::string& path, const TPictureLoadSetup& setup,
                             bool errorPictureOnFailure);

// The error picture, or a black square when its file is missing.
TPictureLoad LoadErrorPicture(const TPictureLoadSetup& setup);

// The file name part of a path: everything after the last "/".
std::string ExtractFileName(const std::string& path);
