#pragma once

#include <cmath>
#include <cstdint>

// Rounds to nearest with ties to even, as geometry and effects round everywhere (the
// default floating-point rounding mode, which nothing in the program changes).
inline int32_t RoundEven(double value) {
    return int32_t(std::lrint(value));
}
