#include "raster/PictureMetadata.h"

#include "color/SrgbConversion.h"
#include "platform/MetadataOptions.h"
#include "raster/FastFX.h"
#include "raster/FastRotate.h"

namespace {
// How each EXIF orientation is undone: a quarter turn (counter-clockwise positive), then a
// mirroring. 5 and 7 mirror along a diagonal: a clockwise turn, then a flip.
struct TUprighting {
    int64_t Turn;
    void (*Flip)(TFastRGB& buffer);
};
constexpr TUprighting Uprightings[9] = {{0, nullptr},   {0, nullptr},        {0, FlipHorizontal},
                                        {180, nullptr}, {0, FlipVertical},   {-90, FlipHorizontal},
                                        {-90, nullptr}, {-90, FlipVertical}, {90, nullptr}};
} // namespace

void ApplyOrientation(TFastBMP& buffer, uint8_t orientation) {
    if (orientation < 1 || orientation > 8)
        return;
    const TUprighting& step = Uprightings[orientation];
    if (step.Turn != 0)
        RotateQuarter(buffer, buffer, step.Turn);
    if (step.Flip)
        step.Flip(buffer);
}

void ApplyPictureMetadata(TFastBMP& buffer, const TPictureMetadata& metadata) {
    if (const auto conversion = SrgbConversion(metadata.IccProfile, TProfiledPixels::ppBgr))
        conversion->ConvertBgr(buffer.PixelData, buffer.Width, buffer.Height, buffer.RowStride);
    if (MetadataOptions().Orientation)
        ApplyOrientation(buffer, metadata.Orientation);
}
