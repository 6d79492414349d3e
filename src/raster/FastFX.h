#pragma once

#include "raster/FastRGB.h"

#include <cstdint>

// Effects that change a pixel buffer in place, one pass each. Padding bytes are never
// touched and an empty buffer is left as it is.

// Each pixel becomes gray with the truncated mean of its three channels.
void MakeGrayscale(TFastRGB& buffer);
void InvertColors(TFastRGB& buffer);
// Mirror left-right.
void FlipHorizontal(TFastRGB& buffer);
// Mirror top-bottom.
void FlipVertical(TFastRGB& buffer);
// Relief: each pixel averaged with the inverse of its upper-right neighbour as displayed.
void EmbossEffect(TFastRGB& buffer);
// Adds a constant to each channel, clamped to 0 .. 255.
void ShiftChannels(TFastRGB& buffer, int32_t dr, int32_t dg, int32_t db);
