#pragma once

#include "platform/Bitmap.h"

// HEIF and HEIC pictures through libheif: the primary picture of a collection, alpha
// blended over white when drawn. libheif turns and mirrors the picture as its container
// says, so it arrives upright; keeps the ICC profile, or the one its colour code points
// describe.
class THEIFGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
