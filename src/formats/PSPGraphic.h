#pragma once

#include "formats/GraphicReader.h"
#include "platform/PictureLimits.h"

#include <array>
#include <cstdint>
#include <vector>

// Reads Paint Shop Pro image files of major version 3 and later: the general attributes,
// the palette and the channels of the first raster layer. Other layers, vector data and all
// further blocks are skipped.
class TPSPGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    struct TBlockHeader {
        uint16_t Id = 0;
        int64_t End = 0; // stream position after the block's data
    };
    // Planes by channel type: composite (or index), red, green, blue.
    using TPlanes = std::array<TPictureMemory, 4>;

    bool ReadBlockHeader(TStream& stream, int64_t limit, TBlockHeader& header);
    void ReadPalette(TStream& stream, int64_t blockEnd);
    // Searches the layer bank for its first raster layer; true when one was read.
    bool ReadLayerBank(TStream& stream, int64_t blockEnd);
    void ReadLayer(TStream& stream, int64_t layerEnd);
    void ReadChannel(TStream& stream, int64_t channelEnd, TPlanes& planes, size_t& rowStride);
    void TransferRows(const TPlanes& planes, size_t rowStride, bool withAlpha);
};
