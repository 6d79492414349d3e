#pragma once

#include <cstdint>

// Reverses one of the five PNG row filters in place. ROW holds LENGTH filtered bytes,
// PREVIOUS the reconstructed row above (all zeros for the first row of an image or pass),
// BYTESPERPIXEL is at least 1. Unknown filter types leave the row as stored.
void UnfilterPNGRow(uint8_t filterType, uint8_t* row, const uint8_t* previous, uint32_t length,
                    uint32_t bytesPerPixel);

// The predictor of the Paeth filter: of left, above and upper-left the one closest to
// left + above - upper-left, ties going to left, then above.
inline uint8_t PaethPredictor(int left, int above, int upperLeft) {
    const int p = left + above - upperLeft;
    const int pa = p > left ? p - left : left - p;
    const int pb = p > above ? p - above : above - p;
    const int pc = p > upperLeft ? p - upperLeft : upperLeft - p;
    if (pa <= pb && pa <= pc)
        return uint8_t(left);
    return uint8_t(pb <= pc ? above : upperLeft);
}
