#include "formats/YCbCrUpsampling.h"

#include <algorithm>

void ExpandYCbCrBand(const uint8_t* units, uint32_t width, uint32_t h, uint32_t v, uint32_t rows,
                     uint8_t* out) {
    const uint32_t unitBytes = h * v + 2;
    const uint64_t rowBytes = uint64_t(width) * 3;
    for (uint32_t x0 = 0; x0 < width; x0 += h, units += unitBytes) {
        const uint8_t cb = units[h * v];
        const uint8_t cr = units[h * v + 1];
        const uint32_t across = std::min(h, width - x0);
        for (uint32_t dy = 0; dy < rows; ++dy) {
            uint8_t* pixel = out + dy * rowBytes + uint64_t(x0) * 3;
            const uint8_t* luma = units + dy * h;
            for (uint32_t dx = 0; dx < across; ++dx, pixel += 3) {
                pixel[0] = luma[dx];
                pixel[1] = cb;
                pixel[2] = cr;
            }
        }
    }
}
