#pragma once

#include "color/RowContext.h"

// Cyan, magenta, yellow, black to red, green, blue (target order RGB or BGR). Sources are
// four planes when exactly four arrays are given, otherwise interleaved.
template <bool ToBgr>
void ConvertCmyk(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                 uint32_t count, uint8_t mask);
