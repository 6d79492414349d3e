#pragma once

#include "formats/GraphicReader.h"
#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"

#include <array>
#include <cstdint>
#include <optional>
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
    // What the file header tells: the signature and the major version.
    struct THeader {
        bool SignatureMatches = false;
        uint16_t MajorVersion = 0;
        // Whether it is a file of version 3 or later.
        bool Check() const { return SignatureMatches && MajorVersion >= 3; }
        // From version 4 on, the data of several blocks start with the size of their chunk.
        bool Chunked() const { return MajorVersion > 3; }
    };
    struct TBlockHeader {
        bool Valid = false; // starts with the block marker
        uint16_t Id = 0;
        uint32_t Length = 0; // of the data after the header
    };
    // Planes by channel type: composite (or index), red, green, blue.
    using TPlanes = std::array<TPictureMemory, 4>;

    size_t BlockHeaderSize() const;
    TBlockHeader ParseBlockHeader(const TByteCursor& bytes) const;
    bool TakeBlock(TByteCursor& in, uint16_t& id, TByteCursor& data) const;
    bool ReadHeader(TStream& stream);
    void DescribeAttributes(TByteCursor attributes);
    void ReadPalette(TByteCursor block);
    // Searches the layer bank for its first raster layer; true when one was read.
    bool ReadLayerBank(TByteCursor bank);
    void ReadLayer(TByteCursor layer);
    void ReadChannel(TByteCursor channel, TPlanes& planes, size_t& rowStride);
    void TransferRows(const TPlanes& planes, size_t rowStride, bool withAlpha);

    std::optional<THeader> Header; // set once the header is read and checked
};
