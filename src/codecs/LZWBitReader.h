#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Takes the variable-width codes of an LZW stream from its packed bytes: least significant
// bit first for GIF, most significant bit first for TIFF. Refills eight bytes at a time while
// they are there and never reads past the end of the input.
template <bool MostSignificantFirst>
class TLZWBitReader {
public:
    TLZWBitReader(const uint8_t* input, size_t size)
        : Begin(input), Input(input), End(input + size), Size(size) {}

    // False when the input ends before the code is complete.
    bool Next(uint32_t width, uint32_t& code) {
        if (Bits < width) [[unlikely]] {
            Refill();
            if (Bits < width)
                return false;
        }
        if constexpr (MostSignificantFirst) {
            code = static_cast<uint32_t>(Accumulator >> (64 - width));
            Accumulator <<= width;
        } else {
            code = static_cast<uint32_t>(Accumulator) & ((1u << width) - 1);
            Accumulator >>= width;
        }
        Bits -= width;
        return true;
    }

    // After an invalid code (and, in GIF, an end code) no further code is taken from the
    // bytes read so far: decoding goes on only once one more input byte has come in. As the
    // decoders historically read a byte at a time into a 32-bit accumulator, that pause only
    // applies while the bits held leave room for another byte. False when that byte does not
    // exist, which ends decoding.
    bool Pause() {
        const uint64_t consumed = uint64_t(Input - Begin) * 8 - Bits;
        uint64_t bytesRead = std::max(PausedBytes, (consumed + 7) / 8);
        if (bytesRead * 8 - consumed <= 24 && ++bytesRead > Size)
            return false;
        PausedBytes = bytesRead;
        return true;
    }

private:
    // Bits beyond the counted ones may be loaded too: they are the stream's next bits and
    // the next refill puts the same values there again.
    void Refill() {
        if (End - Input >= 8) [[likely]] {
            uint64_t word;
            std::memcpy(&word, Input, 8);
            if constexpr (MostSignificantFirst)
                Accumulator |= __builtin_bswap64(word) >> Bits;
            else
                Accumulator |= word << Bits;
            const uint32_t taken = (63 - Bits) / 8;
            Input += taken;
            Bits += 8 * taken;
            return;
        }
        while (Bits <= 56 && Input < End) {
            if constexpr (MostSignificantFirst)
                Accumulator |= uint64_t{*Input++} << (56 - Bits);
            else
                Accumulator |= uint64_t{*Input++} << Bits;
            Bits += 8;
        }
    }

    const uint8_t* const Begin;
    const uint8_t* Input;
    const uint8_t* const End;
    const uint64_t Size;
    uint64_t Accumulator = 0;
    uint32_t Bits = 0;        // counted bits in the accumulator
    uint64_t PausedBytes = 0; // input bytes the last pause waited for
};
