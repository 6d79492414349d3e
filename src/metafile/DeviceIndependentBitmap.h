#pragma once

#include "metafile/RecordCursor.h"

#include <QImage>

// Colour-table meaning of a device-independent bitmap inside a metafile.
enum class TDibColorUsage { duRgbColors, duPalColors };

// Decodes a device-independent bitmap (an info header with its colour table, then the pixel
// rows) as metafiles embed it. Returns a null image for anything it cannot decode safely:
// unknown header, compression it does not know, sizes the bits do not cover. 32-bit pixels
// keep their fourth byte as premultiplied alpha only when KeepAlpha is set (alpha blending);
// everywhere else that byte is unused.
QImage DecodeDib(const TByteCursor& info, const TByteCursor& bits, TDibColorUsage usage,
                 bool keepAlpha = false);

// The same for a bitmap whose pixel rows directly follow its colour table, as 16-bit
// metafiles store it.
QImage DecodePackedDib(const TByteCursor& packed, TDibColorUsage usage);

// The old device-dependent bitmap of 16-bit metafiles (type, width, height, bytes per row,
// planes, bits per pixel, then the rows top first). Monochrome bits map 0 to Foreground and
// 1 to Background as the platform does when it blits them onto a colour device; 8 bits are
// read as grey levels, 24 and 32 as blue, green, red.
QImage DecodeBitmap16(const TByteCursor& record, QRgb foreground, QRgb background);
