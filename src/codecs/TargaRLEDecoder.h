#pragma once

#include "codecs/Decoder.h"

// Targa run-length packets: a header byte whose low 7 bits are the pixel count - 1 and whose
// top bit marks a run (one pixel repeated) rather than a raw stretch. Counts are pixels.
//
// Decode advances source past the last packet it read (the Targa reader re-positions its
// stream from it) and leaves dest unchanged. A packet that runs past the requested pixel
// count loses its excess pixels but is consumed whole; a packet cut off by the end of the
// input yields the whole pixels it has and ends decoding.
class TTargaRLEDecoder : public TDecoder {
public:
    explicit TTargaRLEDecoder(uint32_t colorDepth) : ColorDepth(colorDepth) {}

    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    // Packs count pixels; dest needs room for up to 2 * count * bytes per pixel (a lone pixel
    // between pairs costs a header each).
    void Encode(const uint8_t* source, uint8_t* dest, uint32_t count,
                uint32_t& bytesStored) override;

    // Bits per pixel: 8, 15, 16, 24 or 32; any other depth decodes and encodes nothing.
    const uint32_t ColorDepth;
};
