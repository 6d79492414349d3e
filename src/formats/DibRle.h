#pragma once

#include "formats/DibHeader.h"

#include <cstddef>
#include <cstdint>

class TBitmap;

// Decodes run-length encoded pixels (RLE8, RLE4 and OS/2's RLE24) into Bitmap, which is
// already sized to the header and zero-filled. Pixels that end-of-line, delta and
// end-of-bitmap codes skip keep that zero, palette entry 0; runs past the row end are
// clipped; decoding stops at the end of the data, which leaves the rest of the picture
// as skipped.
void DecodeDibRle(const uint8_t* data, size_t size, const TDibHeader& header, TBitmap& bitmap);
