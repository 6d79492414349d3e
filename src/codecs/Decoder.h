#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <string>

// Common interface of every decompressor the readers use: a reader creates the decoder its
// file needs, feeds it packed bytes and receives unpacked bytes without knowing the scheme.
//
// Calling order: create, DecodeInit once, Decode any number of times, DecodeEnd once, destroy.
// Decode reads at most packedSize bytes from source and writes at most unpackedSize units to
// dest, whatever the data say; negative sizes count as 0. Whether source and dest are advanced
// for the caller is stated by each decoder.
class TDecoder {
public:
    virtual ~TDecoder() = default;

    virtual void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                        int32_t unpackedSize) = 0;
    virtual void DecodeEnd() {}
    virtual void DecodeInit() {}
    // True when Decode sets every byte of dest it does not yield to 0, so that callers
    // need not clear dest first.
    virtual bool ClearsUnyielded() const { return false; }
    // Decoders without a compressing side store nothing.
    virtual void Encode(const uint8_t* source, uint8_t* dest, uint32_t count,
                        uint32_t& bytesStored);
    virtual void EncodeEnd() {}
    virtual void EncodeInit() {}
};

// Raises EGraphicCompression with the given message.
[[noreturn]] void CompressionError(const std::string& message);
