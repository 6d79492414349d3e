#pragma once

#include <cstdint>
#include <vector>

// Writes Paint Shop Pro image files byte by byte from the format's layout, since no program
// at hand writes them: the version 3 layout (block headers with an initial data length,
// 256-byte layer names) and the layout of version 4 and later (chunks with their own sizes).
struct TPSPChannel {
    uint16_t Type = 0;          // 0 composite or index, 1 red, 2 green, 3 blue
    std::vector<uint8_t> Plane; // unpacked rows, written with the file's compression
};

struct TPSPLayer {
    uint8_t Type = 0; // 0 and 1 raster; from version 4 on 2 floating, 3 vector
    std::vector<TPSPChannel> Channels;
};

struct TPSPFile {
    uint16_t MajorVersion = 5;
    uint32_t Width = 1;
    uint32_t Height = 1;
    double Resolution = 72;
    uint8_t ResolutionUnit = 1; // 1 per inch, 2 per centimetre
    uint16_t Compression = 0;   // 0 none, 1 run-length, 2 LZ77, 3 JPEG
    uint16_t BitDepth = 24;
    bool Grayscale = false;
    std::vector<uint32_t> Palette; // 0x00RRGGBB; a palette block when not empty
    std::vector<TPSPLayer> Layers;
    // Written as every channel's uncompressed size when not zero, as some writers do.
    uint32_t StatedUncompressedSize = 0;
};

// Header, attributes, a creator block (which readers skip), the palette, the layer bank.
std::vector<uint8_t> BuildPSP(const TPSPFile& file);

// The run-length packing of the format: runs of up to 127 equal bytes as 128 + count and
// the byte, everything else as literal runs of up to 127 bytes after their count.
std::vector<uint8_t> PackPSPRunLength(const std::vector<uint8_t>& plane);
