#pragma once

#include "color/RowContext.h"

// Gray or gray-alpha samples of 8 or 16 bits to gray samples of 8 or 16 bits; the source
// alpha is skipped.
void ConvertGrayCopy(const TRowContext& context, std::span<const void* const> sources,
                     uint8_t* target, uint32_t count, uint8_t mask);
