#pragma once

#include "formats/GraphicReader.h"

#include <optional>

// Reads Truevision Targa files (colour-mapped, true-colour and grayscale, raw or run-length,
// 8 to 32 bits per pixel) and writes them run-length compressed.
class TTargaGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    // Always true: a header of unexpected values loads as far as its values allow.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    // The 18-byte header at the start of the file.
    struct THeader {
        uint8_t IDLength;
        uint8_t ColorMapType;
        uint8_t ImageType;
        uint16_t ColorMapFirst;
        uint16_t ColorMapLength;
        uint8_t ColorMapEntrySize;
        uint16_t Width;
        uint16_t Height;
        uint8_t Depth;
        uint8_t Descriptor;

        // Whether the types and depths are ones a Targa file can have.
        bool Check() const;
        bool IsRunLength() const { return ImageType >= 9 && ImageType <= 11; }
        bool IsGray() const { return ImageType == 3 || ImageType == 11; }
        bool HasRows() const { return (ImageType >= 1 && ImageType <= 3) || IsRunLength(); }
        bool TopDown() const { return Descriptor & 0x20; }     // the first stored row is the top
        bool RightToLeft() const { return Descriptor & 0x10; } // rows start at their right end
        int BytesPerPixel() const { return (Depth + 1) / 8; }  // 15-bit pixels take two
    };

private:
    void ReadHeader(TStream& stream);
    void ReadColorMap(uint16_t firstIndex, uint16_t length, uint8_t entrySize);
    void ReadRawRows(int64_t rowSize);
    void ReadRunLengthRows(int64_t rowSize);
    void WriteRows(TStream& stream, int bytesPerPixel);

    std::optional<THeader> Header; // set once the header is read
};
