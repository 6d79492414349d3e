#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// The string table shared by the GIF and TIFF LZW decoders.
//
// Every string a code stands for has already appeared in the output of the same call: the
// entry made after a code is the previous code's output followed by the first byte of that
// code's output, which sits right behind it. So an entry is kept as a start and a length
// in the output, and a code is decoded with a block copy instead of a walk along its prefix
// chain. That also means the entry a code will make is known before the code is read, so
// the table holds it already: a code equal to the free code is an ordinary entry whose last
// byte is still to be written.
//
// A length of 0 marks what is not a string: the clear and end codes and the codes not
// defined yet, so one test tells them from the strings.
class TLZWStringTable {
public:
    static constexpr uint32_t MaxCode = 4095;
    // A copy writes whole blocks of this many bytes: up to Block - 1 beyond the string.
    static constexpr uint32_t Block = 16;

    explicit TLZWStringTable(uint32_t rootCount) {
        // Roots are strings too, of one byte kept outside the output, so that every code
        // is written the same way.
        for (uint32_t code = 0; code < rootCount; ++code) {
            Start[code] = &RootBytes[code];
            Length[code] = 1;
        }
        std::memset(&Length[rootCount], 0, (Length.size() - rootCount) * sizeof(Length[0]));
    }

    uint32_t LengthOf(uint32_t code) const { return Length[code]; }
    const uint8_t* StartOf(uint32_t code) const { return Start[code]; }

    // The entry of the free code, a full table's included: it is never read, as no code
    // reaches it.
    void Define(uint32_t freeCode, const uint8_t* start, uint32_t length) {
        Start[freeCode] = start;
        Length[freeCode] = static_cast<uint16_t>(length);
    }

    // Undefines the entries from FIRST to LAST after a clear code.
    void Forget(uint32_t first, uint32_t last) {
        std::memset(&Length[first], 0, (last + 1 - first) * sizeof(Length[0]));
    }

    // Copies the LENGTH bytes at FROM to TO in whole blocks; TO needs room for LENGTH rounded
    // up to a block. The bytes copied after the string are garbage for later strings to
    // overwrite: the string itself ends before TO (or is the free code's, whose last byte
    // the caller writes), so no byte of it is overwritten before it is read.
    static void CopyBlocks(uint8_t* to, const uint8_t* from, uint32_t length) {
        for (uint32_t done = 0;; done += Block) {
            uint8_t block[Block];
            std::memcpy(block, from + done, Block);
            std::memcpy(to + done, block, Block);
            if (done + Block >= length)
                return;
        }
    }

private:
    // Every byte value once, and a block's worth after the last for the copies to read.
    static constexpr std::array<uint8_t, 256 + Block> RootBytes = [] {
        std::array<uint8_t, 256 + Block> bytes{};
        for (int i = 0; i < 256; ++i)
            bytes[size_t(i)] = static_cast<uint8_t>(i);
        return bytes;
    }();

    std::array<const uint8_t*, MaxCode + 2> Start;
    std::array<uint16_t, MaxCode + 2> Length;
};
