#pragma once

#include "codecs/Decoder.h"

// TIFF compression 5: LZW with codes most significant bit first, 256 clear, 257 end of
// information, and the code width growing one code earlier than GIF's. One call expands one
// strip or tile; no state is kept between calls. Source and dest are not advanced for the
// caller. Nothing is raised: invalid codes are dropped, what the data do not yield of dest
// is set to 0, a string that does not fit into the remaining room is cut.
class TTIFFLZWDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                int32_t unpackedSize) override;
    bool ClearsUnyielded() const override { return true; }
};
