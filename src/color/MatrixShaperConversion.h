#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// The conversion to sRGB of pixels whose RGB profile is three curves and a matrix, as the
// profiles of cameras and phones are (Adobe RGB, Display P3): through lookup tables, several
// times as fast as Little CMS's general 8-bit path and within a level of it.
class TMatrixShaperConversion {
public:
    // Null when the profile (a Little CMS profile handle) is no RGB matrix-shaper.
    static std::unique_ptr<TMatrixShaperConversion> FromProfile(void* profile);

    // HEIGHT rows of WIDTH blue-green-red pixels, STRIDE bytes apart, in place.
    void ConvertBgr(uint8_t* pixels, int32_t width, int32_t height, int64_t stride) const;

private:
    // What each level of the red, green and blue input adds to sRGB's linear red, green and
    // blue, packed in three fields of a 64-bit word so that one addition sums all three.
    uint64_t Contributions[3][256]{};
    // A summed field to its sRGB level; out-of-gamut sums included, so nothing is clamped.
    std::vector<uint8_t> Encoded;
};
