#include "support/DibFileBuilder.h"

#include <algorithm>

void AppendLE16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void AppendLE32(std::vector<uint8_t>& out, uint32_t value) {
    AppendLE16(out, value & 0xFFFF);
    AppendLE16(out, value >> 16);
}

namespace {

std::vector<uint8_t> BuildHeaders(const TDibSpec& spec) {
    std::vector<uint8_t> out;
    AppendLE32(out, spec.HeaderSize);
    if (spec.HeaderSize == 12) {
        AppendLE16(out, uint32_t(spec.Width));
        AppendLE16(out, uint32_t(spec.Height));
        AppendLE16(out, 1);
        AppendLE16(out, spec.BitCount);
    } else {
        AppendLE32(out, uint32_t(spec.Width));
        AppendLE32(out, uint32_t(spec.Height));
        AppendLE16(out, 1);
        AppendLE16(out, spec.BitCount);
        AppendLE32(out, spec.Compression);
        AppendLE32(out, uint32_t(spec.Bits.size()));
        AppendLE32(out, 2835);
        AppendLE32(out, 2835);
        AppendLE32(out, spec.ColorsUsed);
        AppendLE32(out, 0);
        for (uint32_t mask : spec.Masks)
            AppendLE32(out, mask);
        out.resize(std::max<size_t>(out.size(), spec.HeaderSize), 0);
    }
    for (uint32_t color : spec.Palette) {
        out.push_back(uint8_t(color));
        out.push_back(uint8_t(color >> 8));
        out.push_back(uint8_t(color >> 16));
        if (spec.HeaderSize != 12)
            out.push_back(0);
    }
    return out;
}

} // namespace

std::vector<uint8_t> BuildDib(const TDibSpec& spec) {
    std::vector<uint8_t> out = BuildHeaders(spec);
    out.insert(out.end(), spec.Bits.begin(), spec.Bits.end());
    return out;
}

std::vector<uint8_t> BuildBitmapFile(const TDibSpec& spec, uint32_t gap) {
    const std::vector<uint8_t> headers = BuildHeaders(spec);
    const uint32_t bitsOffset = 14 + uint32_t(headers.size()) + gap;
    std::vector<uint8_t> out = {'B', 'M'};
    AppendLE32(out, bitsOffset + uint32_t(spec.Bits.size()));
    AppendLE32(out, 0);
    AppendLE32(out, bitsOffset);
    out.insert(out.end(), headers.begin(), headers.end());
    out.insert(out.end(), gap, 0xEE);
    out.insert(out.end(), spec.Bits.begin(), spec.Bits.end());
    return out;
}
