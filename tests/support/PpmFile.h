#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A binary PPM (P6, maxval 255) as written by the reference tools.
struct TPpmImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Rgb; // top row first
};

// Raises std::runtime_error when the file is not such a PPM.
TPpmImage ReadPpm(const std::string& path);
