#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <span>

// The TIFF files the reader of our own leaves to libtiff (BigTIFF, LZMA, SGILog, JBIG,
// old-style JPEG, floating-point samples and whatever else it does not handle), read into
// BITMAP as 32-bit blue, green, red and straight alpha, rows in the file's own order: the
// orientation and the ICC profile go to the bitmap's Metadata, as the reader of our own
// records them. FILE holds the whole TIFF. libtiff's allocations are held to the load's
// memory budget.
//
// Raises EInvalidGraphic: "... not supported ..." when libtiff does not know the kind of
// picture either, "Invalid or unexpected ..." when the file is damaged.
void ReadTIFFThroughLibtiff(std::span<const uint8_t> file, TBitmap& bitmap);
