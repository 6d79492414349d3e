#pragma once

#include <cstddef>
#include <cstdint>

// Byte-order and predictor helpers the readers share; all work in place.

// Reverses the byte order of Count consecutive 16-bit values.
void SwapShorts(void* buffer, size_t count);
// Reverses the byte order of Count consecutive 32-bit values.
void SwapLongs(void* buffer, size_t count);
// The value with its four bytes reversed: reads big-endian 32-bit fields.
uint32_t SwapLong(uint32_t value);

// Undo horizontal byte differencing in a row of 1-, 3- or 4-byte pixels. The buffer holds
// Count + 1 pixels: each byte of the Count pixels after the first gets the byte one pixel
// before it added, modulo 256, left to right.
void UndoDifferencing1(uint8_t* buffer, size_t count);
void UndoDifferencing3(uint8_t* buffer, size_t count);
void UndoDifferencing4(uint8_t* buffer, size_t count);
