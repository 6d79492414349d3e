#pragma once

#include "color/RowContext.h"

// RGB/BGR to RGB/BGR, with or without alpha on either side. Exchange (RGB to BGR, BGR to
// RGB) swaps the first and third colour samples.
template <bool Exchange>
void ConvertRgb(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                uint32_t count, uint8_t mask);
