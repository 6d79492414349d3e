#pragma once

#include "color/RowContext.h"

// Palette indices (and gray levels) packed most significant bits first, rescaled between
// depths: v * (2^target - 1) / (2^source - 1). Packed target fields outside the mask keep
// their bits. Depths of 1 to 8 bits are packed 8 div depth to a byte; 16-bit samples are
// whole words.

// Source and target of 1 to 8 bits.
void ConvertIndexDepth(const TRowContext& context, std::span<const void* const> sources,
                       uint8_t* target, uint32_t count, uint8_t mask);
// 16-bit source, target of 1 to 8 bits.
void ConvertIndexFrom16(const TRowContext& context, std::span<const void* const> sources,
                        uint8_t* target, uint32_t count, uint8_t mask);
// Source of 1 to 8 bits, 16-bit target.
void ConvertIndexTo16(const TRowContext& context, std::span<const void* const> sources,
                      uint8_t* target, uint32_t count, uint8_t mask);
// 16-bit source and target.
void ConvertIndex16To16(const TRowContext& context, std::span<const void* const> sources,
                        uint8_t* target, uint32_t count, uint8_t mask);
