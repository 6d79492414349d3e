#pragma once

#include "platform/Graphics.h"
#include "raster/FastBMP.h"

#include <cstdint>

// Turns the buffer as an EXIF orientation says (2 to 8); 1 and values outside 1 to 8 leave
// it as it is.
void ApplyOrientation(TFastBMP& buffer, uint8_t orientation);

// What loading does once a picture is in its 24-bit buffer, before anything else sees it:
// converts it to sRGB by its colour profile, then turns it upright, each unless the
// viewer's settings (MetadataOptions) turn it off. Flips, turns and Revert then work on
// the upright picture.
void ApplyPictureMetadata(TFastBMP& buffer, const TPictureMetadata& metadata);
