#include "codecs/CCITTTwoDimensionalDecoder.h"

#include <algorithm>

namespace {

enum class TMode { Pass, Horizontal, Vertical, EOL, Invalid };

} // namespace

TCCITTTwoDimensionalDecoder::TRowEnd TCCITTTwoDimensionalDecoder::DecodeTwoDimensionalRow() {
    FBlack = false;
    size_t index = 0; // where the search for the next b1 starts in FReference
    while (Column() < FWidth) {
        // a0 lies just before the row at its start, so b1 may then be column 0.
        const int64_t a0 = RowStarted() || FBlack ? int64_t(Column()) : -1;
        // b1: the next change on the reference row to the right of a0 that turns to the
        // opposite of the current colour; b2 the change after it. A vertical mode to the left
        // can put a0 before the last b1, so the search backs up over the two changes before it.
        index = index >= 2 ? index - 2 : 0;
        const size_t parity = FBlack ? 1 : 0;
        while (index < FReference.size() &&
               (int64_t(FReference[index]) <= a0 || index % 2 != parity))
            ++index;
        const uint32_t b1 = index < FReference.size() ? FReference[index] : FWidth;
        const uint32_t b2 = index + 1 < FReference.size() ? FReference[index + 1] : FWidth;

        // Mode codes: 1 V0, 011 VR1, 010 VL1, 001 horizontal, 0001 pass, 00001x VR2/VL2,
        // 000001x VR3/VL3, 0000001 extension (not supported), 11 or more zeros and a 1 EOL.
        int zeros = 0;
        int bit;
        while ((bit = ReadBit()) == 0)
            ++zeros;
        if (bit < 0)
            return TRowEnd::Failed;
        TMode mode = TMode::Invalid;
        int32_t offset = 0;
        if (zeros == 0 || zeros == 1 || zeros == 4 || zeros == 5) {
            mode = TMode::Vertical;
            if (zeros > 0) {
                const int right = ReadBit();
                if (right < 0)
                    return TRowEnd::Failed;
                offset = (zeros == 1 ? 1 : zeros - 2) * (right ? 1 : -1);
            }
        } else if (zeros == 2) {
            mode = TMode::Horizontal;
        } else if (zeros == 3) {
            mode = TMode::Pass;
        } else if (zeros >= 11) {
            mode = TMode::EOL;
        }

        switch (mode) {
        case TMode::Pass:
            WriteRun(int32_t(b2 - Column()));
            break;
        case TMode::Horizontal:
            for (int run = 0; run < 2; ++run) {
                const int32_t length = ReadRun(FBlack);
                if (length < 0)
                    return length == CodeEOL ? TRowEnd::EndOfLine : TRowEnd::Failed;
                WriteRun(length);
                FBlack = !FBlack;
            }
            break;
        case TMode::Vertical: {
            const int64_t a1 = std::min<int64_t>(int64_t(b1) + offset, FWidth);
            if (a1 < int64_t(Column()))
                return TRowEnd::Failed;
            WriteRun(int32_t(a1 - Column()));
            FBlack = !FBlack;
            break;
        }
        case TMode::EOL:
            return TRowEnd::EndOfLine;
        case TMode::Invalid:
            return TRowEnd::Failed;
        }
    }
    return TRowEnd::Complete;
}

void TCCITTTwoDimensionalDecoder::TakeReference() {
    FReference.clear();
    const uint8_t* row = CurrentRow();
    bool black = false;
    uint32_t x = 0;
    while (x < FWidth) {
        // Whole bytes of the current colour hold no change.
        if ((x & 7) == 0 && x + 8 <= FWidth && row[x >> 3] == (black ? 0xFF : 0x00)) {
            x += 8;
            continue;
        }
        if (bool(row[x >> 3] & (0x80 >> (x & 7))) != black) {
            FReference.push_back(x);
            black = !black;
        }
        ++x;
    }
}
