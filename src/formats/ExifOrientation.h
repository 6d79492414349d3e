#pragma once

#include <cstdint>
#include <span>

// The orientation (1 to 8) that an EXIF block records in its first directory; 1 when it
// records none or the block is damaged. The block is a TIFF header with its directories,
// with or without the "Exif\0\0" that JPEG files put before it.
uint8_t ExifOrientation(std::span<const uint8_t> exif);
