#include "codecs/TIFFLZWDecoder.h"

#include "codecs/LZWBits.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>

namespace {

constexpr uint32_t ClearCode = 256;
constexpr uint32_t EndOfInformation = 257;
constexpr uint32_t FirstFreeCode = 258;
constexpr uint32_t InitialWidth = 9;
constexpr uint32_t InitialThreshold = 511;
constexpr uint32_t MaxWidth = 12;
constexpr uint32_t NoCode = TLZWStringTable::TableSize;

} // namespace

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    TLZWStringTable table(256);
    uint32_t freeCode = FirstFreeCode;
    uint32_t width = InitialWidth;
    uint32_t threshold = InitialThreshold;
    uint32_t previous = NoCode;

    const uint8_t* input = source;
    const uint8_t* const inputEnd = source + std::max(packedSize, 0);
    uint8_t* output = dest;
    uint32_t room = static_cast<uint32_t>(std::max(unpackedSize, 0));
    uint32_t accumulator = 0; // filled from the most significant end
    uint32_t bits = 0;
    while (room > 0 && input < inputEnd) {
        accumulator |= uint32_t{*input++} << (24 - bits);
        bits += 8;
        while (bits >= width) {
            const uint32_t code = accumulator >> (32 - width);
            accumulator <<= width;
            bits -= width;
            if (code == EndOfInformation)
                return;
            if (code == ClearCode) {
                freeCode = FirstFreeCode;
                width = InitialWidth;
                threshold = InitialThreshold;
                previous = NoCode;
                continue;
            }
            // Beyond the table, or a new code with no previous string to build it from.
            if (code > freeCode || (previous == NoCode && code == freeCode)) {
                if (CanPauseUntilNextByte(bits))
                    break;
                continue;
            }
            const uint32_t written =
                previous == NoCode ? table.Write(code, output, room)
                                   : table.WriteFollowing(code, previous, freeCode, output, room);
            // One code earlier than GIF: the width grows when the free code reaches the
            // largest value the width can hold.
            if (freeCode == threshold && width < MaxWidth) {
                threshold = (1u << (width + 1)) - 1;
                ++width;
            }
            previous = code;
            output += written;
            room -= written;
            if (room == 0)
                return;
        }
    }
}
