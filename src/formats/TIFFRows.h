#pragma once

#include <cstddef>
#include <cstdint>

// What the TIFF reader does to decoded rows before and after the colour manager.

// Undoes horizontal differencing (predictor 2) in a row of WIDTH pixels of SAMPLES samples:
// 8-bit samples byte-wise one pixel apart, 16-bit samples as whole values in the file's
// byte order.
void UndoHorizontalPredictor(uint8_t* row, uint32_t width, uint32_t samples, uint32_t bits,
                             bool bigEndian);

// COUNT samples of BITS bits each (1 to 16, packed most significant first) as bytes: scaled
// to 0 .. 255 (rounded down, as 16-bit samples are), or, for palette indices, kept as they
// are.
void WidenSamples(const uint8_t* in, uint32_t bits, size_t count, bool scale, uint8_t* out);

// COUNT pixels of gray and alpha samples of BYTES bytes each (16-bit ones in the file's
// byte order), taken STRIDE bytes apart from GRAY and ALPHA, as red, green, blue and alpha
// samples of the same size and order. A gray of 0 is white when MINISWHITE.
void GrayAlphaToRgba(const uint8_t* gray, const uint8_t* alpha, size_t stride, uint32_t count,
                     uint32_t bytes, bool minIsWhite, uint8_t* out);

// COUNT blue, green, red, alpha pixels whose colours were multiplied by their alpha get the
// colours back.
void DivideOutAlpha(uint8_t* pixels, uint32_t count);
