#pragma once

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

// A Windows icon (or cursor) file as a picture: of the images in the file it shows the
// largest, the deepest among equally large ones. Pixels the AND mask removes, and 32-bit
// pixels by their alpha, let the canvas show through.
class TIcon : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;

    int32_t Width() const override { return FImage.Width(); }
    int32_t Height() const override { return FImage.Height(); }

    // Blends the image over the canvas by its alpha.
    void Draw(TBitmap& canvas, int32_t x, int32_t y) const override;

    // The shown image as pf32bit blue, green, red, alpha (alpha 0: transparent).
    const TBitmap& Image() const { return FImage; }

private:
    TBitmap FImage;
};
