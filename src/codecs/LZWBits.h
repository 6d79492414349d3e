#pragma once

#include <cstdint>

// After an invalid code (and, in GIF, an end code) the LZW decoders take no further codes
// from the current input byte; the bits stay in the accumulator for the next one. That pause
// is only kept while the accumulator has room for another byte, so that a stream of such
// codes cannot overflow it.
constexpr bool CanPauseUntilNextByte(uint32_t bitsHeld) {
    return bitsHeld <= 24;
}
