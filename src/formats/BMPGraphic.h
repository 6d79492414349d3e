#pragma once

#include "platform/Bitmap.h"

// Reads Windows bitmap files (bmp, rle, dib): "BM", the file size, two reserved words, the
// offset of the pixel data, then a device-independent bitmap.
class TBMPGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
