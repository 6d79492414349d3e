#include "codecs/TIFFLZWDecoder.h"

#include "codecs/LZWBitReader.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>

namespace {

constexpr uint32_t ClearCode = 256;
constexpr uint32_t EndOfInformation = 257;
constexpr uint32_t FirstFreeCode = 258;
constexpr uint32_t InitialWidth = 9;
constexpr uint32_t MaxWidth = 12;

// Writers before TIFF 5 put the codes least significant bit first and widened them a code
// later, as GIF does. Their strips start with a clear code, which in that order makes a
// first byte of 0 and a second with its lowest bit set; in the current order the first
// byte of a clear code is 0x80.
bool IsOldStyle(const uint8_t* source, int32_t packedSize) {
    return packedSize >= 2 && source[0] == 0 && (source[1] & 1) != 0;
}

// Flattened: with two instances of the loop the compiler stops inlining the string table's
// writes, which costs a sixth of the decode.
template <bool OldStyle>
__attribute__((flatten)) void DecodeCodes(const uint8_t* source, uint8_t* dest, int32_t packedSize,
                                          int32_t unpackedSize) {
    // The width grows when the free code reaches the largest value the width holds (one
    // code before GIF does), or in the old style once it no longer fits.
    constexpr uint32_t early = OldStyle ? 0 : 1;
    uint32_t freeCode = FirstFreeCode;
    uint32_t width = InitialWidth;
    bool hasPrevious = false; // false at the start and after a clear code

    TLZWBitReader<!OldStyle> reader(source, static_cast<size_t>(std::max(packedSize, 0)));
    TLZWStringTable table(dest, static_cast<uint32_t>(std::max(unpackedSize, 0)), ClearCode);
    uint32_t code;
    while (!table.Full() && reader.Next(width, code)) {
        if (code == EndOfInformation)
            return;
        if (code == ClearCode) {
            freeCode = FirstFreeCode;
            width = InitialWidth;
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
        if (freeCode + early == 1u << width && width < MaxWidth)
            ++width;
        hasPrevious = true;
    }
}

} // namespace

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    if (IsOldStyle(source, packedSize))
        DecodeCodes<true>(source, dest, packedSize, unpackedSize);
    else
        DecodeCodes<false>(source, dest, packedSize, unpackedSize);
}
