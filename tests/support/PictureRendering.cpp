#include "support/PictureRendering.h"

#include "platform/Bitmap.h"

std::vector<uint8_t> RenderRgbTopDown(const TGraphic& picture) {
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(picture.Width(), picture.Height());
    canvas.Fill({255, 255, 255});
    picture.Draw(canvas, 0, 0);
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(picture.Width()) * picture.Height() * 3);
    for (int32_t y = 0; y < canvas.Height(); ++y) {
        const uint8_t* row = canvas.ScanLine(y);
        for (int32_t x = 0; x < canvas.Width(); ++x) {
            rgb.push_back(row[x * 3 + 2]);
            rgb.push_back(row[x * 3 + 1]);
            rgb.push_back(row[x * 3]);
        }
    }
    return rgb;
}
