#pragma once

#include "formats/GraphicReader.h"
#include "platform/PictureLimits.h"

#include <optional>

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
        bool HasColorTable() const { return Flags & 0x80; }
        uint32_t ColorTableEntries() const { return 2u << (Flags & 7); }
        bool Interlaced() const { return Flags & 0x40; } // image descriptors only
    };
    // The signature and the logical screen at the start of the file.
    struct THeader {
        uint8_t Signature[6] = {};
        TDescriptor Screen;
        // Whether the signature is GIF's.
        bool Check() const;
        // 87 or 89; a version that is not two digits raises the platform's conversion error.
        uint32_t Version() const;
    };
    static TDescriptor ReadScreenDescriptor(TStream& stream);
    static TDescriptor ReadImageDescriptor(TStream& stream);
    bool ReadHeader(TStream& stream);
    void DescribeImage(const TDescriptor& image);

    uint8_t ReadByte();
    void SkipSubBlocks();
    // Passes over extensions and stray bytes; returns 0x2C (image) or 0x3B (trailer).
    uint8_t SkipToImageOrTrailer();
    TLogPalette ReadColorTable(uint32_t entries);
    TPictureMemory ReadImageData();
    void CopyRows(const uint8_t* pixels, bool interlaced);

    std::optional<THeader> Header; // set once the header is read and checked
};
