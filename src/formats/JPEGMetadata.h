#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <span>

// What the segments before a JPEG file's first scan say about its pixels: the orientation
// of its EXIF segment (APP1) and the colour profile of its ICC segments (APP2), joined in
// their sequence order. A profile with a chunk missing or repeated is left out.
TPictureMetadata ReadJPEGMetadata(std::span<const uint8_t> file);
