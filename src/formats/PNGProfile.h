#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The colour profile of a PNG iCCP chunk's data (name, zero, method 0, zlib stream); empty
// when the chunk is damaged or its profile inflates past any real profile's size.
std::vector<uint8_t> InflateICCPChunk(std::span<const uint8_t> chunk);
