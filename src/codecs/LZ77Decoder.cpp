#include "codecs/LZ77Decoder.h"

#include <algorithm>

namespace {

constexpr const char* LZ77DecompressionError = "LZ77 decompression error.";

} // namespace

TLZ77Decoder::TLZ77Decoder(int32_t flushMode, bool autoReset)
    : FlushMode(flushMode), AutoReset(autoReset) {}

TLZ77Decoder::~TLZ77Decoder() {
    // A reader whose clean-up was cut short must not leak zlib's state.
    if (Initialised)
        inflateEnd(&ZStream);
}

void TLZ77Decoder::DecodeInit() {
    if (Initialised)
        inflateEnd(&ZStream);
    LastResult = inflateInit(&ZStream);
    Initialised = LastResult >= 0;
    if (LastResult < 0)
        CompressionError(LZ77DecompressionError);
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                          int32_t unpackedSize) {
    if (!AutoReset) {
        Inflate(source, dest, packedSize, unpackedSize);
        return;
    }
    // What libdeflate left of a stream it refused is overwritten by inflate's output or
    // cleared with the rest.
    uint8_t* const end = dest + std::max(unpackedSize, 0);
    if (!Initialised || !DecodeWhole(source, dest, packedSize, unpackedSize))
        Inflate(source, dest, packedSize, unpackedSize);
    std::fill(dest, end, uint8_t(0));
}

void TLZ77Decoder::Inflate(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                           int32_t unpackedSize) {
    ZStream.next_in = const_cast<Bytef*>(source);
    ZStream.avail_in = static_cast<uInt>(std::max(packedSize, 0));
    if (AutoReset)
        LastResult = inflateReset(&ZStream);
    if (LastResult != Z_OK)
        return;
    ZStream.next_out = dest;
    ZStream.avail_out = static_cast<uInt>(std::max(unpackedSize, 0));
    LastResult = inflate(&ZStream, FlushMode);
    source = ZStream.next_in;
    dest = ZStream.next_out;
}

bool TLZ77Decoder::DecodeWhole(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                               int32_t unpackedSize) {
    if (!WholeStreams)
        WholeStreams.reset(libdeflate_alloc_decompressor());
    if (!WholeStreams)
        return false;
    const size_t packed = size_t(std::max(packedSize, 0));
    const size_t room = size_t(std::max(unpackedSize, 0));
    size_t consumed = 0, produced = 0;
    if (libdeflate_zlib_decompress_ex(WholeStreams.get(), source, packed, dest, room, &consumed,
                                      &produced) != LIBDEFLATE_SUCCESS)
        return false;
    source += consumed;
    dest += produced;
    ZStream.avail_in = static_cast<uInt>(packed - consumed);
    ZStream.avail_out = static_cast<uInt>(room - produced);
    LastResult = Z_STREAM_END;
    return true;
}

void TLZ77Decoder::DecodeEnd() {
    LastResult = inflateEnd(&ZStream);
    Initialised = false;
    if (LastResult < 0)
        CompressionError(LZ77DecompressionError);
}
