#pragma once

#include "platform/Bitmap.h"

// AVIF pictures through libavif: alpha blended over white when drawn, the first frame of an
// animation. The container's rotation and mirroring become the picture's orientation; keeps
// the ICC profile, or the one its colour code points describe.
class TAVIFGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};

// The EXIF orientation that a rotation by ANGLE quarter turns counter-clockwise followed by
// a mirroring (MIRROR -1: none, 0: top and bottom exchanged, 1: left and right exchanged)
// amounts to.
uint8_t OrientationOfTransform(int angle, int mirror);
