#include "codecs/GIFLZWDecoder.h"

#include "codecs/LZWBits.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>

namespace {

constexpr uint32_t NoCode = TLZWStringTable::TableSize;
constexpr uint32_t MaxCodeSize = 12;

} // namespace

void TGIFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                            int32_t unpackedSize) {
    // Pixels are bytes, so a GIF's minimum code size is at most 8.
    if (InitialCodeSize < 1 || InitialCodeSize > 8)
        return;
    const uint32_t clearCode = 1u << InitialCodeSize;
    const uint32_t endCode = clearCode + 1;
    TLZWStringTable table(clearCode);
    uint32_t freeCode = clearCode + 2;
    uint32_t codeSize = InitialCodeSize + 1u;
    uint32_t codeMask = (1u << codeSize) - 1;
    uint32_t oldCode = NoCode;

    const uint8_t* input = source;
    const uint8_t* const inputEnd = source + std::max(packedSize, 0);
    uint8_t* output = dest;
    uint32_t room = static_cast<uint32_t>(std::max(unpackedSize, 0));
    uint32_t data = 0;
    uint32_t bits = 0;
    while (room > 0 && input < inputEnd) {
        data |= uint32_t{*input++} << bits;
        bits += 8;
        while (bits >= codeSize) {
            const uint32_t code = data & codeMask;
            data >>= codeSize;
            bits -= codeSize;
            if (code == clearCode) {
                codeSize = InitialCodeSize + 1u;
                codeMask = (1u << codeSize) - 1;
                freeCode = clearCode + 2;
                oldCode = NoCode;
                continue;
            }
            // Beyond the table, or a new code with no previous string to build it from.
            const bool invalid = code > freeCode || (oldCode == NoCode && code == freeCode);
            if (code == endCode || invalid) {
                if (CanPauseUntilNextByte(bits))
                    break;
                continue;
            }
            const uint32_t written =
                oldCode == NoCode ? table.Write(code, output, room)
                                  : table.WriteFollowing(code, oldCode, freeCode, output, room);
            // The width grows once the free code no longer fits in it.
            if (freeCode > codeMask && codeSize < MaxCodeSize) {
                ++codeSize;
                codeMask = (1u << codeSize) - 1;
            }
            oldCode = code;
            output += written;
            room -= written;
            if (room == 0)
                return;
        }
    }
}
