#pragma once

#include "raster/FastRGB.h"

#include <cstdint>

// Rotations of a pixel buffer into another. Positive angles turn counter-clockwise on screen.

// Sizes Dst to the bounding box of Src turned by Angle degrees (Src and Dst may be the same
// buffer). A changed size gives Dst black storage; an unchanged one keeps its pixels.
void RotatedExtent(const TFastRGB& src, TFastRGB& dst, long double angle);

// Exact rotation by a whole multiple of 90 degrees; Dst is sized to the result if it is not
// already (Src's size, with width and height exchanged for odd quarter turns).
void RotateQuarter(const TFastRGB& src, TFastRGB& dst, int64_t angle);

// Rotation by any angle about (CX, CY) of Dst's pixel grid with bilinear sampling. Dst has
// its final size; pixels whose centre falls outside Src keep what Dst held.
void RotateBilinear(const TFastRGB& src, TFastRGB& dst, int32_t cx, long double angle, int32_t cy);
