#include "support/ShownPicture.h"

#include "raster/LoadedPicture.h"

TRgbPicture LoadShownRgb(const std::string& path) {
    TFastBMP buffer;
    LoadPictureBuffer(path, buffer);
    TRgbPicture picture;
    picture.Width = buffer.Width;
    picture.Height = buffer.Height;
    for (int32_t y = buffer.Height - 1; y >= 0; --y) {
        const uint8_t* bgr = buffer.RowTable[size_t(y)];
        for (int32_t x = 0; x < buffer.Width; ++x)
            picture.Pixels.insert(picture.Pixels.end(),
                                  {bgr[x * 3 + 2], bgr[x * 3 + 1], bgr[x * 3]});
    }
    return picture;
}
