#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// The string table shared by the GIF and TIFF LZW decoders. Each code's string is its
// prefix code's string followed by one byte; codes below the root count are single bytes.
// Lengths and first bytes are kept per code so that a string is written straight into the
// output from its end backwards, without a reversal stack. A prefix is always a smaller
// code, so every chain ends at a root.
class TLZWStringTable {
public:
    static constexpr uint32_t TableSize = 4096;

    explicit TLZWStringTable(uint32_t rootCount) {
        for (uint32_t code = 0; code < rootCount; ++code) {
            Suffix[code] = static_cast<uint8_t>(code);
            First[code] = static_cast<uint8_t>(code);
            Length[code] = 1;
        }
    }

    uint8_t FirstByte(uint32_t code) const { return First[code]; }
    uint32_t StringLength(uint32_t code) const { return Length[code]; }

    // Defines code as the string of prefix followed by the byte last.
    void Define(uint32_t code, uint32_t prefix, uint8_t last) {
        Prefix[code] = static_cast<uint16_t>(prefix);
        Suffix[code] = last;
        First[code] = First[prefix];
        Length[code] = static_cast<uint16_t>(Length[prefix] + 1);
    }

    // Writes the string of code to dest, at most room bytes of it (its head when cut), and
    // returns the number of bytes written.
    uint32_t Write(uint32_t code, uint8_t* dest, uint32_t room) const {
        if (room == 0)
            return 0;
        uint32_t length = Length[code];
        // Drop the tail that does not fit.
        while (length > room) {
            code = Prefix[code];
            --length;
        }
        uint8_t* p = dest + length;
        for (;;) {
            *--p = Suffix[code];
            if (p == dest)
                return length;
            code = Prefix[code];
        }
    }

    // Writes the string of prefix followed by the byte last (a code that is being defined
    // by its own use), at most room bytes of it; returns the number of bytes written.
    uint32_t WriteExtended(uint32_t prefix, uint8_t last, uint8_t* dest, uint32_t room) const {
        const uint32_t written = Write(prefix, dest, room);
        if (written >= room)
            return written;
        dest[written] = last;
        return written + 1;
    }

    // Writes the string of code, which follows the string of previous in the stream (at most
    // room bytes of it), and defines freeCode as previous's string followed by the first byte
    // of code's; a code equal to freeCode is the one being defined. A full table takes no
    // more entries until the decoder clears it. Returns the number of bytes written.
    uint32_t WriteFollowing(uint32_t code, uint32_t previous, uint32_t& freeCode, uint8_t* dest,
                            uint32_t room) {
        uint8_t firstByte;
        uint32_t written;
        if (code == freeCode) {
            firstByte = First[previous];
            written = WriteExtended(previous, firstByte, dest, room);
        } else {
            firstByte = First[code];
            written = Write(code, dest, room);
        }
        if (freeCode < TableSize) {
            Define(freeCode, previous, firstByte);
            ++freeCode;
        }
        return written;
    }

private:
    std::array<uint16_t, TableSize> Prefix;
    std::array<uint8_t, TableSize> Suffix;
    std::array<uint8_t, TableSize> First;
    std::array<uint16_t, TableSize> Length;
};
