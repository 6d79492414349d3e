#pragma once

#include <cstdint>
#include <vector>

// The ICC profile that the colour primaries and transfer characteristics of an AVIF or HEIF
// picture (ITU-T H.273 code points) describe, for pictures that carry code points instead of
// a profile; empty when they describe sRGB, are unknown, or are HDR (PQ, HLG), which a
// profile cannot bring down to sRGB.
std::vector<uint8_t> CodingPointsProfile(int primaries, int transfer);
