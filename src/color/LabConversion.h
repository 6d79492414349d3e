#pragma once

#include "color/RowContext.h"

// CIE L*a*b* to red, green, blue (target order RGB or BGR). 16-bit samples are reduced to
// their 8-bit meaning first: L by 65535 -> 255, a* and b* by their high byte.
template <bool ToBgr>
void ConvertLab(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                uint32_t count, uint8_t mask);
