#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

// The picture drawn onto a white 24-bit canvas, as the viewer draws it, returned as red,
// green, blue bytes with the top row first: the layout of the reference digests.
std::vector<uint8_t> RenderRgbTopDown(const TGraphic& picture);
