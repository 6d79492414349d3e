#include "codecs/CCITTFax4Decoder.h"

void TCCITTFax4Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                               int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    // Each strip starts afresh: the row above its first row counts as white.
    ClearReference();
    while (HasBits() && RoomLeft() && DecodeTwoDimensionalRow() == TRowEnd::Complete) {
        TakeReference();
        EndRow();
    }
}
