#include "codecs/Decoder.h"

void TDecoder::Encode(const uint8_t*, uint8_t*, uint32_t, uint32_t& bytesStored) {
    bytesStored = 0;
}

void CompressionError(const std::string& message) {
    throw EGraphicCompression(message);
}
