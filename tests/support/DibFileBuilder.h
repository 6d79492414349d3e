#pragma once

#include <cstdint>
#include <vector>

// Writes device-independent bitmaps byte by byte, so tests can state exactly what a file
// holds and what its pixels must decode to.
struct TDibSpec {
    uint32_t HeaderSize = 40; // 12 (OS/2 core), 40, 56, 108 or 124
    int32_t Width = 1;
    int32_t Height = 1; // negative: top-down
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    uint32_t ColorsUsed = 0;
    // Red, green, blue, alpha; written after a 40-byte header (three of them, four for
    // compression 6) or inside a larger one.
    std::vector<uint32_t> Masks;
    std::vector<uint32_t> Palette; // 0x00RRGGBB
    std::vector<uint8_t> Bits;
};

// The info header, the masks, the palette and the bits.
std::vector<uint8_t> BuildDib(const TDibSpec& spec);

// "BM" file: the file header, then the DIB; Gap bytes between the palette and the bits,
// which the offset in the file header skips.
std::vector<uint8_t> BuildBitmapFile(const TDibSpec& spec, uint32_t gap = 0);

void AppendLE16(std::vector<uint8_t>& out, uint32_t value);
void AppendLE32(std::vector<uint8_t>& out, uint32_t value);
