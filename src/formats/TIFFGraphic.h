#pragma once

#include "codecs/Decoder.h"
#include "codecs/TIFFJPEGDecoder.h"
#include "formats/GraphicReader.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One 12-byte entry of an image file directory. Value holds the four value bytes as stored in
// the file: the values themselves when they fit, else the offset of the values.
struct TTIFFEntry {
    uint16_t Tag = 0;
    uint16_t DataType = 0;
    uint32_t DataLength = 0; // count of values
    std::array<uint8_t, 4> Value{};
};

// Reads the first picture of TIFF files: strips that are uncompressed or PackBits, LZW,
// deflate, CCITT group 3 fax, JPEG or ThunderScan compressed, samples interleaved or in
// separate planes, YCbCr also subsampled. Tiled pictures load as an empty bitmap.
class TTIFFGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

    // The directory of the picture last read, sorted by tag.
    const std::vector<TTIFFEntry>& Directory() const { return FDirectory; }
    bool FindTag(uint32_t tag, size_t& index) const;

    // Each returns its default when the tag is absent or its values cannot be read.
    std::vector<uint8_t> ReadTagBytes(uint32_t tag) const;
    std::vector<uint32_t> ReadTagCardinals(uint32_t tag) const;
    std::vector<float> ReadTagFloats(uint32_t tag) const;
    float ReadTagFloat(uint32_t tag, float defaultValue) const;
    // With a count other than 1 the raw value field is returned.
    uint32_t ReadTagInteger(uint32_t tag, uint32_t defaultValue) const;

    uint32_t T4Options() const { return FT4Options; }

private:
    bool BigEndian() const { return (ImageProperties.Options & ioBigEndian) != 0; }
    uint16_t Get16(const uint8_t* p) const;
    uint32_t Get32(const uint8_t* p) const;
    int64_t FileSize() const;
    // Reads the directory at OFFSET and returns the next directory's offset; false when the
    // directory does not lie inside the file.
    bool ReadDirectory(uint32_t offset, uint32_t& nextOffset);
    // The stored value bytes of an entry; false when they lie outside the file.
    bool EntryBytes(const TTIFFEntry& entry, std::vector<uint8_t>& bytes) const;
    // Calls SINK(index, value) for every integer value of the tag; false when absent.
    template <typename Sink>
    bool ForEachInteger(uint32_t tag, Sink sink) const;
    void ReadTIFFProperties();
    void SetupTIFFColorManager();
    bool SeparatePlanes() const;
    // Where a strip's bytes lie, how many of them the file holds and are of use, and what
    // they unpack to.
    struct TStripData {
        uint64_t Offset = 0;
        uint64_t Held = 0;
        uint32_t Rows = 0;
        uint64_t Needed = 0;
    };
    struct TStripPlan {
        std::vector<TStripData> Strips; // per strip, one per converted plane
        size_t StripsPerPlane = 0;
        uint32_t ConvertedPlanes = 1;
        uint32_t RowsPerStrip = 0;
        bool Subsampled = false; // YCbCr in data units
        uint32_t BandRows = 1;
        uint64_t BandBytes = 0;
    };
    // Lays the strips out and refuses claims their data cannot back, before anything is
    // allocated for the picture.
    TStripPlan PlanStrips();
    // Unpacks one strip into UNPACKED, sized to the strip's rows; what the strip does not
    // yield stays 0. PACKED is scratch space kept between strips.
    void ReadStrip(TDecoder* decoder, const TStripData& strip, std::vector<uint8_t>& packed,
                   std::vector<uint8_t>& unpacked);
    void LoadStrips(TDecoder* decoder, const TStripPlan& plan);
    // What the JPEG stream of a strip of ROWS rows must be.
    TTIFFJPEGStrip JPEGStrip(uint32_t rows) const;
    // Converts the samples of the next bitmap row (one pointer, or one per plane).
    void TransferRow(std::span<const void* const> samples);
    std::unique_ptr<TDecoder> CreateDecoder();

    std::vector<TTIFFEntry> FDirectory;
    std::vector<uint16_t> FColorMap; // 3 x 256 values at most
    uint32_t FT4Options = 0;
    uint32_t FYCbCrPositioning = 1;
    std::vector<float> FYCbCrCoefficients;
};
