#pragma once

#include "color/RowContext.h"

// RGB to RGB and BGR to BGR: the colour samples keep their order.
void ConvertRgbKeepOrder(const TRowContext& context, std::span<const void* const> sources,
                         uint8_t* target, uint32_t count, uint8_t mask);
// RGB to BGR and BGR to RGB: the first and third colour samples change places.
void ConvertRgbExchangeOrder(const TRowContext& context, std::span<const void* const> sources,
                             uint8_t* target, uint32_t count, uint8_t mask);
