#pragma once

#include "platform/Bitmap.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstdint>

// What the readers share that hand decoding to a library.

// Refuses, before a library allocates anything, a picture the gate would not let us hold.
void CheckPictureSize(int64_t width, int64_t height, const char* formatName);

// Counts what a library takes for a picture of WIDTH x HEIGHT, about BYTESPERPIXEL a pixel,
// against the load's memory budget for as long as the charge lives: its own buffers are out
// of the gate's sight. Raises EPictureMemory over the budget, before the library decodes.
TPictureCharge ChargeLibraryMemory(int64_t width, int64_t height, int64_t bytesPerPixel);

// Makes the bitmap a canvas for the library to decode into: 24-bit blue, green,
// red, or 32-bit with alpha, rows top first.
void SizeDecodedPicture(TBitmap& bitmap, int64_t width, int64_t height, bool alpha,
                        const char* formatName);

// A picture whose every pixel is fully transparent shows as white. Drawing would take its
// all-zero alpha for an unused byte and show the hidden colours instead.
void WhitenTransparentPicture(TBitmap& bitmap);

// Copies COUNT pixels of CHANNELS (3 or 4) bytes from red-first SOURCE to blue-first
// TARGET, which may be SOURCE itself: the order some libraries write, made the bitmap's.
void CopyRedFirstPixels(const uint8_t* source, uint8_t* target, size_t count, size_t channels);

// The library refused the file: "Cannot load image. Invalid or unexpected ... image format."
[[noreturn]] void LibraryRefusal(const char* formatName);
