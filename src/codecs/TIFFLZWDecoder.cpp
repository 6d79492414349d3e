#include "codecs/TIFFLZWDecoder.h"

#include "codecs/LZWDecoding.h"

#include <algorithm>

namespace {

constexpr uint32_t InitialWidth = 9;

// Writers before TIFF 5 put the codes least significant bit first and widened them a code
// later, as GIF does. Their strips start with a clear code, which in that order makes a
// first byte of 0 and a second with its lowest bit set; in the current order the first
// byte of a clear code is 0x80.
bool IsOldStyle(const uint8_t* source, int32_t packedSize) {
    return packedSize >= 2 && source[0] == 0 && (source[1] & 1) != 0;
}

} // namespace

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    const size_t packed = size_t(std::max(packedSize, 0));
    const size_t unpacked = size_t(std::max(unpackedSize, 0));
    if (IsOldStyle(source, packedSize))
        DecodeLZW<TLZWDialect{false, false, true}>(source, packed, dest, unpacked, InitialWidth);
    else
        DecodeLZW<TLZWDialect{true, true, true}>(source, packed, dest, unpacked, InitialWidth);
}
