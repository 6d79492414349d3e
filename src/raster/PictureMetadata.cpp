#include "raster/PictureMetadata.h"

#include "color/SrgbConversion.h"
#include "platform/MetadataOptions.h"
#include "raster/FastFX.h"
#include "raster/FastRotate.h"

namespace {
constexpr int64_t Clockwise = -90;
constexpr int64_t CounterClockwise = 90;
} // namespace

void ApplyOrientation(TFastBMP& buffer, uint8_t orientation) {
    switch (orientation) {
    case 2:
        FlipHorizontal(buffer);
        break;
    case 3:
        RotateQuarter(buffer, buffer, 180);
        break;
    case 4:
        FlipVertical(buffer);
        break;
    case 5: // mirrored along the diagonal from the top left
        RotateQuarter(buffer, buffer, Clockwise);
        FlipHorizontal(buffer);
        break;
    case 6:
        RotateQuarter(buffer, buffer, Clockwise);
        break;
    case 7: // mirrored along the diagonal from the top right
        RotateQuarter(buffer, buffer, Clockwise);
        FlipVertical(buffer);
        break;
    case 8:
        RotateQuarter(buffer, buffer, CounterClockwise);
        break;
    default:
        break;
    }
}

void ApplyPictureMetadata(TFastBMP& buffer, const TPictureMetadata& metadata) {
    if (const auto conversion = SrgbConversion(metadata.IccProfile, TProfiledPixels::ppBgr))
        conversion->ConvertBgr(buffer.PixelData, buffer.Width, buffer.Height, buffer.RowStride);
    if (MetadataOptions().Orientation)
        ApplyOrientation(buffer, metadata.Orientation);
}
