#pragma once

#include "platform/Bitmap.h"

// JPEG XL pictures through libjxl: alpha blended over white when drawn, the first frame of
// an animation. The codestream's orientation is kept for the load path to apply, so that
// it is applied once; keeps the colour profile of the decoded pixels unless it is sRGB.
class TJPEGXLGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
