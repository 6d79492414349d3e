#pragma once

#include "formats/GraphicReader.h"
#include "platform/PictureLimits.h"

// Reads the first image of GIF files (87a and 89a) into an 8-bit palettised bitmap;
// animation, transparency, image position and further images are ignored.
class TGIFGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    // A logical screen or image descriptor: the size and the flags (the image's position
    // is not needed).
    struct TDescriptor {
        uint16_t Width = 0;
        uint16_t Height = 0;
        uint8_t Flags = 0;
    };
    static TDescriptor ReadScreenDescriptor(TStream& stream);
    static TDescriptor ReadImageDescriptor(TStream& stream);
    bool ReadHeader(TStream& stream);
    void DescribeImage(const TDescriptor* image = nullptr);

    uint8_t ReadByte();
    void SkipSubBlocks();
    // Passes over extensions and stray bytes; returns 0x2C (image) or 0x3B (trailer).
    uint8_t SkipToImageOrTrailer();
    TLogPalette ReadColorTable(uint32_t entries);
    TPictureMemory ReadImageData();
    void CopyRows(const uint8_t* pixels);

    TDescriptor Screen;
};
