#pragma once

#include "codecs/Decoder.h"
#include "formats/GraphicReader.h"
#include "formats/TIFFImage.h"
#include "platform/PictureLimits.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct TTIFFBlocks;

// Reads the first picture of TIFF files: strips or tiles, uncompressed or PackBits, LZW,
// deflate, CCITT modified Huffman, group 3 or group 4 fax, JPEG or ThunderScan compressed,
// samples of 1 to 16 bits interleaved or in planes, YCbCr also subsampled, alpha associated
// or not. What it does not handle itself goes to libtiff; the orientation and the colour
// profile go to Metadata.
class TTIFFGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

    // The directory of the picture last read, as the reader understood it.
    const TTIFFImage& Image() const { return FImage; }

protected:
    // Loads the TIFF that FILE holds: a whole file, or the preview section of an EPS file.
    void LoadTIFF(std::span<const uint8_t> file);

private:
    // How decoded rows reach the colour manager.
    struct TRowForm {
        uint32_t Planes = 1;    // planes converted
        bool Widen = false;     // samples widened to 8 bits first
        bool GrayAlpha = false; // gray and alpha made red, green, blue and alpha first
        bool DivideAlpha = false;
    };
    // One decoded row of each block across, and the scratch they are decoded into.
    struct TBand;

    // Reads the header and the directory of picture INDEX into FImage and ImageProperties;
    // false when FILE holds no such picture of classic TIFF (BIGTIFF tells BigTIFF apart).
    bool ReadImage(std::span<const uint8_t> file, unsigned index, bool& bigTIFF);
    void FillImageProperties();
    void LoadThroughLibtiff(std::span<const uint8_t> file);
    void SetupColor();
    void SetupPalette();
    std::unique_ptr<TDecoder> CreateDecoder() const;
    void DecodeBlocks(const TTIFFBlocks& blocks, TDecoder* decoder);
    // The rows of one block, decoded unless they can be read where they lie.
    const uint8_t* UnpackBlock(const TTIFFBlocks& blocks, std::span<const uint8_t> packed,
                               uint32_t rows, TDecoder* decoder, TBand& band, size_t slot);
    void TransferRow(uint32_t y, std::span<const uint8_t* const> planes);

    TTIFFImage FImage;
    bool FBigEndian = false;
    TRowForm FForm;
    std::vector<TPictureMemory> FRowScratch; // widened rows per plane, then the gray-alpha row
};
