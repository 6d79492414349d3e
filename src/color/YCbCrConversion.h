#pragma once

#include "color/RowContext.h"

// YCbCr and photo YCC to red, green, blue (target order RGB or BGR) through the manager's
// chroma tables; 16-bit to 16-bit rows use fixed photo YCC factors instead.
template <bool ToBgr>
void ConvertYCbCr(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                  uint32_t count, uint8_t mask);
