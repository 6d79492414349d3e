#pragma once

#include "platform/Graphics.h"
#include "raster/FastBMP.h"

#include <memory>

// Makes a loaded picture the 24-bit pixel buffer the viewer keeps: drawn onto white (a
// bitmap, and a JPEG's decoded bitmap, go in straight, which gives the same pixels), released once
// drawn, then converted by its colour profile and turned upright (ApplyPictureMetadata).
void LoadPictureBuffer(std::unique_ptr<TGraphic> picture, TFastBMP& buffer);
