#pragma once

#include <cstdint>

// TIFF stores subsampled YCbCr samples in data units: for each block of H x V pixels
// (H across, V down) its H x V luma samples row by row, then one Cb and one Cr. A band of V
// rows holds (WIDTH + H - 1) / H units; a block that sticks out over the right edge carries
// samples for the pixels beyond it too.
constexpr uint64_t YCbCrBandBytes(uint32_t width, uint32_t h, uint32_t v) {
    return (uint64_t(width) + h - 1) / h * (uint64_t(h) * v + 2);
}

// Expands the units of one band into ROWS (at most V) rows of WIDTH pixels stored as Y, Cb,
// Cr, each block's chroma repeated over its pixels. OUT holds V * WIDTH * 3 bytes, row after
// row.
void ExpandYCbCrBand(const uint8_t* units, uint32_t width, uint32_t h, uint32_t v, uint32_t rows,
                     uint8_t* out);
