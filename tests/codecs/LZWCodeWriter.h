#pragma once

// Packs LZW codes of given widths into bytes, least significant bit first (GIF) or most
// significant bit first (TIFF), so the decoder tests can spell out code streams.

#include <cstdint>
#include <vector>

class TLZWCodeWriter {
public:
    explicit TLZWCodeWriter(bool mostSignificantFirst)
        : MostSignificantFirst(mostSignificantFirst) {}

    void Put(uint32_t code, uint32_t width) {
        for (uint32_t i = 0; i < width; ++i) {
            const uint32_t bit =
                MostSignificantFirst ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
            if (BitCount % 8 == 0)
                Bytes.push_back(0);
            const uint32_t shift = MostSignificantFirst ? 7 - BitCount % 8 : BitCount % 8;
            Bytes.back() |= static_cast<uint8_t>(bit << shift);
            ++BitCount;
        }
    }

    std::vector<uint8_t> Bytes;

private:
    const bool MostSignificantFirst;
    uint32_t BitCount = 0;
};
