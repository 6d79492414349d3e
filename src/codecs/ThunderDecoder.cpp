#include "codecs/ThunderDecoder.h"

#include <algorithm>

namespace {

constexpr int TwoBitDeltas[4] = {0, 1, 0, -1};                 // 2 means no pixel
constexpr int ThreeBitDeltas[8] = {0, 1, 2, 3, 0, -3, -2, -1}; // 4 means no pixel
constexpr int SkipTwoBit = 2;
constexpr int SkipThreeBit = 4;

// Writes the nibbles of one row, never past its PIXELS (an odd row ends in its pad nibble,
// which the next row's first code must not fill) nor past the END of the output.
class TNibbleWriter {
public:
    TNibbleWriter(uint8_t* line, size_t bytes, uint64_t pixels)
        : Pos(line), End(line + bytes), Pixels(pixels) {}
    void Put(int value) {
        Last = value & 15;
        if (Full())
            return;
        if ((Count & 1) == 0) {
            *Pos = uint8_t(Last << 4);
        } else {
            *Pos = uint8_t((*Pos & 0xF0) | Last);
            ++Pos;
        }
        ++Count;
    }
    bool Full() const { return Pos >= End || Count >= Pixels; }
    int Last = 0;

private:
    uint8_t* Pos;
    uint8_t* End;
    const uint64_t Pixels;
    uint64_t Count = 0;
};

} // namespace

void TThunderDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                             int32_t unpackedSize) {
    const uint8_t* in = source;
    const uint8_t* inEnd = source + std::max(packedSize, 0);
    uint8_t* line = dest;
    int64_t remaining = std::max(unpackedSize, 0);
    if (FWidth == 0)
        return;
    while (remaining > 0 && in < inEnd) {
        const size_t lineBytes = size_t(std::min<int64_t>((int64_t(FWidth) + 1) / 2, remaining));
        TNibbleWriter out(line, lineBytes, FWidth);
        while (!out.Full() && in < inEnd) {
            const uint8_t c = *in++;
            switch (c >> 6) {
            case 0:
                for (int n = c & 63; n > 0 && !out.Full(); --n)
                    out.Put(out.Last);
                break;
            case 1:
                for (int shift = 4; shift >= 0; shift -= 2) {
                    const int code = (c >> shift) & 3;
                    if (code != SkipTwoBit)
                        out.Put(out.Last + TwoBitDeltas[code]);
                }
                break;
            case 2:
                for (int shift = 3; shift >= 0; shift -= 3) {
                    const int code = (c >> shift) & 7;
                    if (code != SkipThreeBit)
                        out.Put(out.Last + ThreeBitDeltas[code]);
                }
                break;
            default:
                out.Put(c & 15);
                break;
            }
        }
        line += lineBytes;
        remaining -= int64_t(lineBytes);
    }
}
