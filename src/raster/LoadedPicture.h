#pragma once

#include "raster/FastBMP.h"

#include <string>
#include <vector>

// Loads the file at PATH, through the picture class registered for its extension, into the
// 24-bit pixel buffer the viewer keeps: as drawn onto white, converted by its colour profile
// and turned upright (ApplyPictureMetadata). Readers of plain 24-bit colour and JPEG write
// their rows straight into the buffer; other pictures are decoded into a bitmap of their own
// first. Returns the warnings the load met; raises what the reader raises, and
// EInvalidGraphic for a picture with no pixels.
std::vector<std::string> LoadPictureBuffer(const std::string& path, TFastBMP& buffer);
