#include "codecs/GIFLZWDecoder.h"

#include "codecs/LZWBitReader.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>

namespace {

constexpr uint32_t MaxCodeSize = 12;

} // namespace

void TGIFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                            int32_t unpackedSize) {
    // Pixels are bytes, so a GIF's minimum code size is at most 8.
    if (InitialCodeSize < 1 || InitialCodeSize > 8)
        return;
    const uint32_t clearCode = 1u << InitialCodeSize;
    const uint32_t endCode = clearCode + 1;
    uint32_t freeCode = clearCode + 2;
    uint32_t codeSize = InitialCodeSize + 1u;
    bool hasPrevious = false; // false at the start and after a clear code

    TLZWBitReader<false> reader(source, static_cast<size_t>(std::max(packedSize, 0)));
    TLZWStringTable table(dest, static_cast<uint32_t>(std::max(unpackedSize, 0)), clearCode);
    uint32_t code;
    while (!table.Full() && reader.Next(codeSize, code)) {
        if (code == clearCode) {
            codeSize = InitialCodeSize + 1u;
            freeCode = clearCode + 2;
            hasPrevious = false;
            continue;
        }
        // Beyond the table, or a new code with no previous string to build it from. Data
        // after an end code are decoded as well, as long as there are any.
        if (code == endCode || code > freeCode || (!hasPrevious && code == freeCode)) {
            if (!reader.Pause())
                return;
            continue;
        }
        if (!hasPrevious)
            table.WriteRoot(code);
        else
            table.WriteFollowing(code, freeCode);
        // The width grows once the free code no longer fits in it.
        if (freeCode >> codeSize != 0 && codeSize < MaxCodeSize)
            ++codeSize;
        hasPrevious = true;
    }
}
