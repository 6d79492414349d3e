#pragma once

#include "platform/Bitmap.h"

// WebP pictures through libwebp: lossy and lossless, alpha blended over white when drawn,
// the first frame of an animation. Keeps the EXIF orientation and the ICC profile.
class TWebPGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
