#include "codecs/GIFLZWDecoder.h"

#include "codecs/LZWDecoding.h"

#include <algorithm>

void TGIFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                            int32_t unpackedSize) {
    const size_t unpacked = size_t(std::max(unpackedSize, 0));
    // Pixels are bytes, so a GIF's minimum code size is at most 8.
    if (InitialCodeSize < 1 || InitialCodeSize > 8) {
        std::fill_n(dest, unpacked, uint8_t(0));
        return;
    }
    // Data after an end code are decoded as well, as long as there are any.
    DecodeLZW<TLZWDialect{false, false, false}>(source, size_t(std::max(packedSize, 0)), dest,
                                                unpacked, InitialCodeSize + 1u);
}
