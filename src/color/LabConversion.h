#pragma once

#include "color/RowContext.h"

// CIE L*a*b* (D50) to sRGB red, green, blue through Little CMS (target order RGB or BGR).
// 16-bit samples are read at their 8-bit meaning: a* and b* by their high byte, L by
// 65535 -> 255 (keeping its precision when it is 0..255).
template <bool ToBgr>
void ConvertLab(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                uint32_t count, uint8_t mask);
