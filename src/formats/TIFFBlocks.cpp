#include "formats/TIFFBlocks.h"

#include "formats/GraphicStrings.h"
#include "formats/TIFFStripBounds.h"
#include "formats/YCbCrUpsampling.h"

#include <algorithm>

uint32_t TTIFFBlocks::RowsIn(const TTIFFImage& image, uint32_t down) const {
    if (image.Tiled)
        return image.BlockHeight;
    return std::min(image.BlockHeight, image.Height - down * image.BlockHeight);
}

TTIFFBlocks LayOutBlocks(const TTIFFImage& image, const TByteCursor& file, uint32_t planes) {
    TTIFFBlocks blocks;
    blocks.Across = uint32_t((uint64_t(image.Width) + image.BlockWidth - 1) / image.BlockWidth);
    blocks.Down = uint32_t((uint64_t(image.Height) + image.BlockHeight - 1) / image.BlockHeight);
    blocks.Planes = planes;
    blocks.RowBytes =
        (uint64_t(image.BlockWidth) * image.BitsPerSample * image.PlaneSamples() + 7) / 8;
    // Subsampled YCbCr comes in bands of data units; JPEG data arrive expanded already.
    blocks.DataUnits =
        image.YCbCrHorizontal * image.YCbCrVertical > 1 && image.Compression != ctJPEG;
    blocks.BandRows = blocks.DataUnits ? image.YCbCrVertical : 1;
    blocks.BandBytes = blocks.DataUnits ? YCbCrBandBytes(image.BlockWidth, image.YCbCrHorizontal,
                                                         image.YCbCrVertical)
                                        : blocks.RowBytes;

    const bool compressed = image.Compression != ctNone;
    const uint64_t perPlane = uint64_t(blocks.Across) * blocks.Down;
    uint64_t neededTotal = 0, plausibleTotal = 0;
    for (uint32_t plane = 0; plane < planes; ++plane)
        for (uint32_t down = 0; down < blocks.Down; ++down) {
            const uint32_t rows = blocks.RowsIn(image, down);
            const uint64_t needed = blocks.UnpackedBytes(rows);
            for (uint32_t across = 0; across < blocks.Across; ++across) {
                const uint64_t i = plane * perPlane + uint64_t(down) * blocks.Across + across;
                const uint64_t offset = i < image.BlockOffsets.size() ? image.BlockOffsets[i] : 0;
                // Without byte counts, uncompressed blocks hold their rows and compressed
                // ones run up to the end of the file.
                const uint64_t count = i < image.BlockByteCounts.size() ? image.BlockByteCounts[i]
                                       : compressed                     ? file.Size()
                                                                        : needed;
                uint64_t held = 0;
                if (i < image.BlockOffsets.size() && file.Has(offset, 1))
                    held = std::min(count, file.Size() - offset);
                held = std::min(held, compressed
                                          ? MaxUsefulPackedBytes(image.Compression, rows,
                                                                 blocks.BandBytes, image.BlockWidth)
                                          : needed);
                const uint64_t plausible =
                    MaxUnpackedBytes(image.Compression, held, blocks.BandBytes);
                // Compressed data too short to yield the block's rows are not those data.
                if (held > 0 && compressed && plausible < needed)
                    GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
                neededTotal += needed;
                plausibleTotal += std::min(needed, plausible);
                blocks.Data.emplace_back(file.BytesAt(held > 0 ? offset : 0, held), size_t(held));
            }
        }
    // A picture whose data could not fill half of it is a claim, not a picture.
    if (plausibleTotal * 2 < neededTotal)
        GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
    return blocks;
}
