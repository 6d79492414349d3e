#pragma once

#include "codecs/Decoder.h"

#include <memory>

struct TImageProperties;

// TIFF compression 7: every strip is a JPEG stream of its own, optionally sharing the tables
// of the JPEGTables tag, decoded by libjpeg into rows of RowBytes bytes (three-component data
// in blue, green, red order). Checks each strip against the picture's size, components,
// precision and sampling. A strip that ends early shows a warning and keeps the rows decoded
// so far. Source and dest are not advanced for the caller.
class TTIFFJPEGDecoder : public TDecoder {
public:
    // Reads the record on every strip: the reader updates RowIndex as it goes.
    explicit TTIFFJPEGDecoder(const TImageProperties& properties);
    ~TTIFFJPEGDecoder() override;
    TTIFFJPEGDecoder(const TTIFFJPEGDecoder&) = delete;
    TTIFFJPEGDecoder& operator=(const TTIFFJPEGDecoder&) = delete;

    void DecodeInit() override;
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    void DecodeEnd() override;

private:
    struct TState;
    const TImageProperties& FProperties;
    std::unique_ptr<TState> FState;
};
