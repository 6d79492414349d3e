#pragma once

#include <cstdint>

// Copies COUNT pixels of PIXELBYTES (3 or 4) 8-bit samples from SOURCE to TARGET with the
// first and third sample of every pixel exchanged: the RGB <-> BGR row at full speed.
// SOURCE and TARGET may be the same buffer but must not overlap otherwise.
void CopyExchangingFirstAndThird(const uint8_t* source, uint8_t* target, uint32_t count,
                                 int pixelBytes);
