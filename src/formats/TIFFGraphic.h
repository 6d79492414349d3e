#pragma once

#include "codecs/Decoder.h"
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
    // The raw value field and the count; 0 and DEFAULTCOUNT when absent.
    uint32_t ReadTagOffset(uint32_t tag, uint32_t& count, uint32_t defaultCount = 0) const;

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
    // Unpacks one strip into UNPACKED, whose size is the strip's unpacked size; what the
    // strip does not yield stays 0. PACKED is scratch space kept between strips.
    void ReadStrip(TDecoder* decoder, uint32_t offset, uint32_t byteCount,
                   std::vector<uint8_t>& packed, std::vector<uint8_t>& unpacked);
    void LoadStrips(TDecoder* decoder);
    // Converts the samples of the next bitmap row (one pointer, or one per plane).
    void TransferRow(std::span<const void* const> samples);
    std::unique_ptr<TDecoder> CreateDecoder();

    std::vector<TTIFFEntry> FDirectory;
    std::vector<uint16_t> FColorMap; // 3 x 256 values at most
    uint32_t FT4Options = 0;
    uint32_t FYCbCrPositioning = 1;
    std::vector<float> FYCbCrCoefficients;
};
