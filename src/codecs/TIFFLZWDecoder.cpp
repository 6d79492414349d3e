#include "codecs/TIFFLZWDecoder.h"

#include "codecs/LZWBitReader.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>

namespace {

constexpr uint32_t ClearCode = 256;
constexpr uint32_t EndOfInformation = 257;
constexpr uint32_t FirstFreeCode = 258;
constexpr uint32_t InitialWidth = 9;
constexpr uint32_t InitialThreshold = 511;
constexpr uint32_t MaxWidth = 12;

} // namespace

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    uint32_t freeCode = FirstFreeCode;
    uint32_t width = InitialWidth;
    uint32_t threshold = InitialThreshold;
    bool hasPrevious = false; // false at the start and after a clear code

    TLZWBitReader<true> reader(source, static_cast<size_t>(std::max(packedSize, 0)));
    TLZWStringTable table(dest, static_cast<uint32_t>(std::max(unpackedSize, 0)), ClearCode);
    uint32_t code;
    while (!table.Full() && reader.Next(width, code)) {
        if (code == EndOfInformation)
            return;
        if (code == ClearCode) {
            freeCode = FirstFreeCode;
            width = InitialWidth;
            threshold = InitialThreshold;
            hasPrevious = false;
            continue;
        }
        // Beyond the table, or a new code with no previous string to build it from.
        if (code > freeCode || (!hasPrevious && code == freeCode)) {
            if (!reader.Pause())
                return;
            continue;
        }
        if (!hasPrevious)
            table.WriteRoot(code);
        else
            table.WriteFollowing(code, freeCode);
        // One code earlier than GIF: the width grows when the free code reaches the largest
        // value the width can hold.
        if (freeCode == threshold && width < MaxWidth) {
            threshold = (1u << (width + 1)) - 1;
            ++width;
        }
        hasPrevious = true;
    }
}
