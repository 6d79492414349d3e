#include "support/ShownPicture.h"

#include "platform/Bitmap.h"
#include "platform/PictureClassTable.h"
#include "raster/PictureMetadata.h"

TRgbPicture LoadShownRgb(const std::string& path) {
    const std::unique_ptr<TGraphic> graphic = PictureClassTable().LoadFromFile(path);
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(graphic->Width(), graphic->Height());
    canvas.Fill({255, 255, 255});
    graphic->Draw(canvas, 0, 0);
    TFastBMP buffer;
    buffer.LoadFromBitmapHandle(canvas);
    ApplyPictureMetadata(buffer, graphic->Metadata);
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
