#pragma once

#include "formats/GraphicReader.h"

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

private:
    struct TRowOrder {
        bool TopDown;     // the first stored row is the top row
        bool RightToLeft; // rows are stored from their right end
        int BytesPerPixel;
    };

    void ReadColorMap(uint16_t firstIndex, uint16_t length, uint8_t entrySize);
    void ReadRawRows(const TRowOrder& order, int64_t rowSize);
    void ReadRunLengthRows(const TRowOrder& order, int64_t rowSize, uint8_t depth);
    void WriteRows(TStream& stream, int bytesPerPixel);
};
