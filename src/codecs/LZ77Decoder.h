#pragma once

#include "codecs/Decoder.h"

#include <libdeflate.h>
#include <memory>
#include <zlib.h>

// Deflate ("LZ77") data through zlib's inflate, chunk by chunk. Decode advances source and
// dest past what was consumed and produced and raises nothing: callers inspect ZLibResult,
// AvailableInput and AvailableOutput. Once the stream has ended or failed, later calls do
// nothing until a reset (AutoReset resets before every call: one zlib stream per call).
// Such whole streams go to libdeflate first, which decodes a complete buffer about twice as
// fast as inflate; one it does not decode cleanly (damaged, or longer than the room given)
// goes through inflate, so that its partial output is what inflate gives.
class TLZ77Decoder : public TDecoder {
public:
    TLZ77Decoder(int32_t flushMode, bool autoReset);
    ~TLZ77Decoder() override;
    TLZ77Decoder(const TLZ77Decoder&) = delete;
    TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    // Whole streams leave nothing of the room given unset.
    bool ClearsUnyielded() const override { return AutoReset; }
    // Both raise EGraphicCompression with "LZ77 decompression error." when zlib refuses.
    void DecodeInit() override;
    void DecodeEnd() override;

    // Input bytes not consumed by the last call.
    uint32_t AvailableInput() const { return ZStream.avail_in; }
    // Output space the last call left unfilled.
    uint32_t AvailableOutput() const { return ZStream.avail_out; }
    // Result of the last zlib call: 0 ok, 1 stream end, negative an error.
    int32_t ZLibResult() const { return LastResult; }

private:
    void Inflate(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize);
    bool DecodeWhole(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                     int32_t unpackedSize);

    struct TFreeDecompressor {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    std::unique_ptr<libdeflate_decompressor, TFreeDecompressor> WholeStreams;
    int32_t LastResult = Z_OK;
    z_stream ZStream{};
    const int32_t FlushMode;
    const bool AutoReset;
    bool Initialised = false; // inflate state allocated and not yet ended
};
