#pragma once

#include "formats/DibHeader.h"

#include <cstdint>
#include <functional>

class TBitmap;
class TStream;

// Reads the pixel data at the stream's position into Bitmap, sizing it and choosing its
// pixel format: pf1bit, pf4bit (also for 2-bit files) and pf8bit with the header's palette,
// pf15bit and pf16bit where the file's layout is theirs, pf24bit, and pf32bit for 32-bit
// files and for masks with alpha; other masks are scaled to 8 bits per channel. A file
// without an alpha mask gets alpha 0 throughout, which draws opaque. Storage of the same
// size and format is reused. Uncompressed data cut short leaves the missing rows at zero
// as long as half of the data is there; less, or a size the data cannot back, raises
// EInvalidGraphic before anything is allocated.
void ReadDibPixels(TStream& stream, const TDibHeader& header, TBitmap& bitmap);

// Whether the pixel data are rows of blue, green and red bytes, as a 24-bit buffer holds them.
bool DibRowsArePlainColour(const TDibHeader& header);

// Raises EInvalidGraphic when the picture may not be held or the stream lacks more than
// half of its uncompressed rows: what a reader checks before it sizes anything.
void CheckUncompressedDibData(TStream& stream, const TDibHeader& header);

// Reads rows of plain colour (checked as above), each into RowAt(y), y counted from the
// top; rows the data do not reach are black.
void ReadPlainDibRows(TStream& stream, const TDibHeader& header,
                      const std::function<uint8_t*(int32_t)>& rowAt);
