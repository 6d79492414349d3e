#pragma once

#include "formats/TIFFImage.h"
#include "platform/ByteCursor.h"

#include <cstdint>
#include <span>
#include <vector>

// The strips or tiles of a picture ("blocks"): a grid of Across x Down blocks per plane,
// each with the stored bytes the file holds for it.
struct TTIFFBlocks {
    uint32_t Across = 1;
    uint32_t Down = 0;
    uint32_t Planes = 1;    // planes decoded: the others are of no use to the picture
    uint64_t RowBytes = 0;  // bytes of one decoded row of a block
    bool DataUnits = false; // subsampled YCbCr in data units of several rows
    uint32_t BandRows = 1;  // rows stored together: a row of YCbCr data units
    uint64_t BandBytes = 0; // bytes of such a band
    std::vector<std::span<const uint8_t>> Data; // per plane, row of blocks, block across

    std::span<const uint8_t> At(uint32_t plane, uint32_t down, uint32_t across) const {
        return Data[(size_t(plane) * Down + down) * Across + across];
    }
    // Rows stored in the blocks of row DOWN: a strip ends with the picture, a tile does not.
    uint32_t RowsIn(const TTIFFImage& image, uint32_t down) const;
    // Bytes a block of ROWS rows unpacks to.
    uint64_t UnpackedBytes(uint32_t rows) const {
        return (uint64_t(rows) + BandRows - 1) / BandRows * BandBytes;
    }
};

// Lays out the blocks of IMAGE, in FILE, of which PLANES planes are decoded. A block's
// bytes are what the file holds of it and its decoder can use; a block the file does not
// hold, or with a byte count of 0, has none and is skipped. Raises the invalid-TIFF error
// for claims the data cannot back: a compressed block too short to yield its rows, or a
// picture whose blocks could not fill half of it, before anything is allocated for it.
TTIFFBlocks LayOutBlocks(const TTIFFImage& image, const TByteCursor& file, uint32_t planes);
