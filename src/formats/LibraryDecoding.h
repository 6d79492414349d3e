#pragma once

#include "platform/Bitmap.h"
#include "platform/Streams.h"

#include <cstdint>
#include <vector>

// What the readers share that hand decoding to a library.

// Every byte from the stream's position to its end: the libraries decode from memory.
std::vector<uint8_t> ReadRemainingBytes(TStream& stream);

// Refuses, before a library allocates anything, a picture the gate would not let us hold.
void CheckPictureSize(int64_t width, int64_t height, const char* formatName);

// Makes the bitmap a canvas for the library to decode into: 24-bit blue, green,
// red, or 32-bit with alpha, rows top first.
void SizeDecodedPicture(TBitmap& bitmap, int64_t width, int64_t height, bool alpha,
                        const char* formatName);

// A picture whose every pixel is fully transparent shows as white. Drawing would take its
// all-zero alpha for an unused byte and show the hidden colours instead.
void WhitenTransparentPicture(TBitmap& bitmap);

// Exchanges the first and third byte of every pixel of a 24- or 32-bit bitmap: turns the
// red-first rows some libraries write into the bitmap's blue-first rows.
void SwapRedAndBlue(TBitmap& bitmap);

// The library refused the file: "Cannot load image. Invalid or unexpected ... image format."
[[noreturn]] void LibraryRefusal(const char* formatName);
