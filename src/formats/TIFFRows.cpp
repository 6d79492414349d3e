#include "formats/TIFFRows.h"

#include <algorithm>

namespace {

// The running sums of up to four samples stay in registers (named: GCC keeps a small array
// in memory), and a pixel is read whole before it is written. Summed in memory instead,
// each byte waits for the store of its neighbour a pixel before.
template <uint32_t Samples>
void UndoBytePredictor(uint8_t* row, uint32_t width) {
    static_assert(Samples >= 1 && Samples <= 4);
    uint8_t a = row[0];
    [[maybe_unused]] uint8_t b = Samples > 1 ? row[1] : 0;
    [[maybe_unused]] uint8_t c = Samples > 2 ? row[2] : 0;
    [[maybe_unused]] uint8_t d = Samples > 3 ? row[3] : 0;
    for (uint8_t* p = row + Samples; p != row + size_t(width) * Samples; p += Samples) {
        a = uint8_t(a + p[0]);
        if constexpr (Samples > 1)
            b = uint8_t(b + p[1]);
        if constexpr (Samples > 2)
            c = uint8_t(c + p[2]);
        if constexpr (Samples > 3)
            d = uint8_t(d + p[3]);
        p[0] = a;
        if constexpr (Samples > 1)
            p[1] = b;
        if constexpr (Samples > 2)
            p[2] = c;
        if constexpr (Samples > 3)
            p[3] = d;
    }
}

} // namespace

void UndoHorizontalPredictor(uint8_t* row, uint32_t width, uint32_t samples, uint32_t bits,
                             bool bigEndian) {
    if (width < 2)
        return;
    const size_t count = size_t(width) * samples;
    if (bits == 8) {
        switch (samples) {
        case 1:
            return UndoBytePredictor<1>(row, width);
        case 2:
            return UndoBytePredictor<2>(row, width);
        case 3:
            return UndoBytePredictor<3>(row, width);
        case 4:
            return UndoBytePredictor<4>(row, width);
        default:
            for (size_t i = samples; i < count; ++i)
                row[i] = uint8_t(row[i] + row[i - samples]);
        }
    } else if (bits == 16) {
        const int high = bigEndian ? 0 : 1;
        const int low = 1 - high;
        for (size_t i = samples; i < count; ++i) {
            uint8_t* p = row + 2 * i;
            const uint8_t* q = p - 2 * samples;
            const uint16_t sum = uint16_t(((p[high] << 8) | p[low]) + ((q[high] << 8) | q[low]));
            p[high] = uint8_t(sum >> 8);
            p[low] = uint8_t(sum);
        }
    }
}

void WidenSamples(const uint8_t* in, uint32_t bits, size_t count, bool scale, uint8_t* out) {
    const uint32_t largest = (1u << bits) - 1;
    uint64_t bit = 0;
    for (size_t i = 0; i < count; ++i, bit += bits) {
        // The sample lies in at most three bytes from its first one.
        const uint8_t* p = in + bit / 8;
        const uint32_t end = uint32_t(bit % 8) + bits;
        uint32_t window = uint32_t(p[0]) << 16;
        if (end > 8)
            window |= uint32_t(p[1]) << 8;
        if (end > 16)
            window |= p[2];
        const uint32_t value = (window >> (24 - end)) & largest;
        // As 16-bit samples become 8-bit ones: v * 255 / 65535 is v div 257.
        out[i] = scale ? uint8_t(value * 255 / largest) : uint8_t(value);
    }
}

void GrayAlphaToRgba(const uint8_t* gray, const uint8_t* alpha, size_t stride, uint32_t count,
                     uint32_t bytes, bool minIsWhite, uint8_t* out) {
    for (uint32_t x = 0; x < count; ++x, gray += stride, alpha += stride) {
        for (uint32_t b = 0; b < bytes; ++b) {
            const uint8_t level = minIsWhite ? uint8_t(255 - gray[b]) : gray[b];
            out[b] = out[bytes + b] = out[2 * bytes + b] = level;
            out[3 * bytes + b] = alpha[b];
        }
        out += 4 * bytes;
    }
}

void DivideOutAlpha(uint8_t* pixels, uint32_t count) {
    for (uint32_t x = 0; x < count; ++x, pixels += 4) {
        const uint32_t alpha = pixels[3];
        if (alpha == 255 || alpha == 0)
            continue;
        for (int c = 0; c < 3; ++c)
            pixels[c] = uint8_t(std::min<uint32_t>(255, (pixels[c] * 255u + alpha / 2) / alpha));
    }
}
