#include "formats/TIFFStripBounds.h"

#include <limits>

namespace {

constexpr uint64_t Unbounded = std::numeric_limits<uint64_t>::max();

uint64_t Times(uint64_t a, uint64_t b) {
    return b != 0 && a > Unbounded / b ? Unbounded : a * b;
}

uint64_t Plus(uint64_t a, uint64_t b) {
    return a > Unbounded - b ? Unbounded : a + b;
}

bool IsFax(TCompressionType compression) {
    return compression == ctFax3 || compression == ctFax4 || compression == ctFaxRLE ||
           compression == ctFaxRLEW;
}

} // namespace

uint64_t MaxUnpackedBytes(TCompressionType compression, uint64_t packed, uint64_t rowBytes) {
    switch (compression) {
    case ctNone:
        return packed;
    case ctPackedBits:
        return Times(packed, 64); // two bytes repeat one up to 128 times
    case ctLZW:
        return Times(packed, 4096 * 8 / 12 + 1); // a 12-bit code stands for at most 4096 bytes
    case ctLZ77:
        return Times(packed, 1032); // the densest deflate gets
    case ctThunderscan:
        return Times(packed, 32); // one code byte repeats a 4-bit pixel up to 63 times
    case ctJPEG:
        // One bit per 8 x 8 block of each component, expanded to three samples per pixel
        // by subsampling, stays well below this.
        return Times(packed, 4096);
    default:
        // A fax row takes at least one bit.
        return IsFax(compression) ? Times(Times(packed, 8), rowBytes) : Unbounded;
    }
}

uint64_t MaxUsefulPackedBytes(TCompressionType compression, uint64_t rows, uint64_t rowBytes,
                              uint64_t width) {
    const uint64_t unpacked = Times(rows, rowBytes);
    switch (compression) {
    case ctNone:
        return unpacked;
    case ctPackedBits:
        return Plus(Times(unpacked, 2), 2); // one-byte literals cost two bytes each
    case ctLZW: {
        // Every code yields a byte at least and takes at most 12 bits; clear codes come at
        // most once per filled table.
        const uint64_t codes = Plus(Plus(unpacked, unpacked / 256), 3);
        return Plus(Times(codes, 12) / 8, 8);
    }
    case ctLZ77:
        // Literals of up to 15 bits and the headers of the blocks around them.
        return Plus(Times(unpacked, 2), 4096);
    case ctThunderscan:
        return Times(rows, Plus(width, 16)); // every code byte but an empty run yields a pixel
    case ctJPEG:
        // Every sample coded at its longest, byte stuffing, and the markers of a strip.
        return Plus(Times(unpacked, 16), 16384);
    default:
        // Each colour change of a fax row codes in at most four bytes, plus its end of line.
        return IsFax(compression) ? Times(rows, Plus(Times(width, 4), 16)) : Unbounded;
    }
}
