#include "raster/LoadedPicture.h"

#include "formats/JPEGImage.h"
#include "platform/Bitmap.h"
#include "raster/PictureMetadata.h"

void LoadPictureBuffer(std::unique_ptr<TGraphic> picture, TFastBMP& buffer) {
    // A copy: a reader that decodes as it draws (JPEG) still reads it while drawing.
    const TPictureMetadata metadata = picture->Metadata;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(picture.get())) {
        buffer.LoadFromBitmapHandle(*bitmap);
    } else if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture.get())) {
        // Its own bitmap gives the same pixels without a canvas, and a JPEG over the budget
        // is refused before a canvas is filled for it.
        buffer.LoadFromBitmapHandle(jpeg->Bitmap());
    } else {
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(picture->Width(), picture->Height());
        canvas.Fill({255, 255, 255});
        picture->Draw(canvas, 0, 0);
        picture.reset();
        buffer.LoadFromBitmapHandle(canvas);
    }
    // Effects, flips and Revert all start from the picture in sRGB and upright.
    ApplyPictureMetadata(buffer, metadata);
}
