#pragma once

#include "codecs/Decoder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What one strip or tile of a JPEG-compressed TIFF must be: the reader fills it per strip.
struct TTIFFJPEGStrip {
    uint32_t Width = 0; // pixels across and down the strip's JPEG image must have
    uint32_t Height = 0;
    uint32_t Components = 1;
    uint32_t Precision = 8;
    // Sampling factors of the first component; the others are 1 x 1.
    uint32_t HorizontalSampling = 1;
    uint32_t VerticalSampling = 1;
    bool YCbCr = false;    // converted to RGB by libjpeg; else taken as stored
    uint32_t RowBytes = 0; // bytes of one output row in dest
};

// TIFF compression 7: every strip is a JPEG stream of its own, optionally sharing the tables
// of the JPEGTables tag, decoded by libjpeg into rows of RowBytes bytes (three-component data
// in blue, green, red order). Checks each strip against what SetStrip said it must be. A
// strip that ends early keeps the rows decoded so far and leaves a warning for the reader to
// pass on. Source and dest are not advanced for the caller.
class TTIFFJPEGDecoder : public TDecoder {
public:
    // TABLES may be empty; libjpeg may use at most MAXMEMORY bytes for one strip.
    TTIFFJPEGDecoder(std::vector<uint8_t> tables, uint64_t maxMemory);
    ~TTIFFJPEGDecoder() override;
    TTIFFJPEGDecoder(const TTIFFJPEGDecoder&) = delete;
    TTIFFJPEGDecoder& operator=(const TTIFFJPEGDecoder&) = delete;

    // Raises EGraphicCompression "Bogus JPEG tables field." when the tables do not parse.
    void DecodeInit() override;
    // The strip the next Decode calls decode.
    void SetStrip(const TTIFFJPEGStrip& strip) { FStrip = strip; }
    // Size, component, precision and sampling mismatches raise EGraphicCompression; libjpeg's
    // own failures EInvalidGraphic "JPEG error #N".
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    void DecodeEnd() override;

    // The texts of the warnings met so far, each once.
    const std::vector<std::string>& Warnings() const { return FWarnings; }

private:
    // Keeps the warning of a strip whose data ended before its image did.
    void NoteEndedEarly();

    struct TState;
    std::vector<uint8_t> FTables;
    uint64_t FMaxMemory;
    TTIFFJPEGStrip FStrip;
    std::vector<std::string> FWarnings;
    std::unique_ptr<TState> FState;
};
