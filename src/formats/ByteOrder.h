#pragma once

#include <cstddef>

// Reverses the byte order of Count consecutive 16-bit values, in place.
void SwapShorts(void* buffer, size_t count);
