#pragma once

#include "formats/GraphicReader.h"

// Reads Windows bitmap files (bmp, rle, dib): "BM", the file size, two reserved words, the
// offset of the pixel data, then a device-independent bitmap.
class TBMPGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
