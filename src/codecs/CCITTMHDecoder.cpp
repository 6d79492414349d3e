#include "codecs/CCITTMHDecoder.h"

void TCCITTMHDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    while (HasBits() && RoomLeft()) {
        const int32_t run = ReadRun(FBlack);
        if (run > 0 && WriteRun(run)) {
            EndRow();
            SkipToByte();
            if (FWordAligned && (SourceOffset() & 1))
                SkipSourceByte();
            continue;
        }
        FBlack = !FBlack;
    }
}
