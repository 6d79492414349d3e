#pragma once

#include "codecs/LZ77Decoder.h"
#include "formats/GraphicReader.h"
#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"

#include <memory>
#include <optional>
#include <vector>

// Reads PNG files: every colour type and depth, Adam7, the five row filters, gAMA, bKGD and
// tRNS, with the CRC of every chunk whose data it reads checked.
class TPNGGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    struct THeader {
        uint32_t Width = 0;
        uint32_t Height = 0;
        uint8_t BitDepth = 0;
        uint8_t ColorType = 0;
        uint8_t Compression = 0;
        uint8_t Filter = 0;
        uint8_t Interlace = 0;
        // Whether the picture's size is one the format allows.
        bool Check() const;
    };

    void ReadChunkHeader();
    void ReadChunkData();
    void SkipChunk();
    bool IsChunk(const char* type) const;
    TByteCursor Chunk() const; // the current chunk's data, once read
    THeader ParseHeader() const;
    bool ReadHeader(TStream& stream);
    float ChunkGamma() const;
    TColorRGB RgbSample(const TByteCursor& d) const;

    void LoadChunks();
    bool ProfileApplies() const;
    void IgnoreGammaForProfile();
    void SetupColorDepth();
    void ReadPalette();
    void ReadBackground();
    void ReadTransparency();
    uint8_t GrayLevel(uint16_t value) const;
    void DecodeImage();
    int32_t DecodeRows(std::vector<uint8_t>& current, std::vector<uint8_t>& previous);
    void StoreRow(int32_t y, const uint8_t* samples);
    void AlphaSeenAt(int32_t y);
    void FillRowsFrom(int32_t firstRow);
    void DecodeInterlacedRows(std::vector<uint8_t>& current, std::vector<uint8_t>& previous);
    bool ReadDecompressed(uint8_t* dest, uint32_t count);
    void FinishCompressedData();
    uint32_t IDATRemaining() const;

    // The decoder and the chunk data go with the load that made them, however it ends.
    struct TReleaseBuffers {
        TPNGGraphic& Reader;
        ~TReleaseBuffers();
    };

    std::unique_ptr<TLZ77Decoder> Decoder;
    int32_t IDATSize = 0;
    TPictureMemory RawBuffer; // the current chunk's data
    const uint8_t* CurrentSource = nullptr;
    uint32_t ChunkLength = 0;
    uint8_t ChunkType[4] = {};
    uint32_t ChunkCRC = 0;
    int32_t SourceBPP = 1;
    std::optional<TLogPalette> FilePalette; // from PLTE or a gray ramp
    TColorRGB BackgroundColor{255, 255, 255};
    std::optional<TColorRGB>
        TransparentKey; // the tRNS colour; the bitmap's own field is TransparentColor

    THeader Header;
    // RGBA rows blended over white into the row target: as the bitmap shows them, opaque
    // while every alpha so far is 0.
    bool BlendsRows = false;
    bool AlphaSeen = false;
    std::vector<uint8_t> AlphaRow; // a row as blue, green, red and alpha
    bool ColorDepthSetUp = false;
    bool ImageDecoded = false;
    bool StreamEnded = false;
};
