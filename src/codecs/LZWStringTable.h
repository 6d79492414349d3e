#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

// The string table and output cursor shared by the GIF and TIFF LZW decoders.
//
// Every string a code stands for has already appeared in the output of the same call: the
// entry made after a code is the previous code's output followed by the first byte of that
// code's output, which sits right behind it. So an entry is kept as an offset and a length
// into the output, and a code is decoded with one block copy instead of a walk along its
// prefix chain. Nothing is ever written beyond the output size; a string that does not fit is
// cut to the room left.
class TLZWStringTable {
public:
    static constexpr uint32_t TableSize = 4096;

    TLZWStringTable(uint8_t* dest, uint32_t size, uint32_t rootCount)
        : Dest(dest), Size(size), RootCount(rootCount) {}

    bool Full() const { return Pos == Size; }

    // The first code after a clear: a single byte that starts a new chain of entries.
    void WriteRoot(uint32_t code) {
        PreviousPos = Pos;
        PreviousLength = 1;
        Dest[Pos++] = static_cast<uint8_t>(code);
    }

    // Writes the string of code (a root, a defined entry, or freeCode, the entry being made),
    // then defines freeCode as the previous string followed by the first byte of this one; a
    // full table takes no more entries until the decoder clears it.
    void WriteFollowing(uint32_t code, uint32_t& freeCode) {
        const uint32_t room = Size - Pos;
        uint8_t* const out = Dest + Pos;
        uint32_t length;
        if (code < RootCount) {
            length = 1;
            *out = static_cast<uint8_t>(code);
        } else if (code != freeCode) {
            length = Length[code];
            Copy(out, Dest + Offset[code], std::min(length, room));
        } else {
            // The previous string and its own first byte.
            length = PreviousLength + 1;
            const uint32_t copied = std::min(PreviousLength, room);
            Copy(out, Dest + PreviousPos, copied);
            if (copied < room)
                out[copied] = Dest[PreviousPos];
        }
        if (freeCode < TableSize) {
            Offset[freeCode] = PreviousPos;
            Length[freeCode] = static_cast<uint16_t>(PreviousLength + 1);
            ++freeCode;
        }
        PreviousPos = Pos;
        PreviousLength = length;
        Pos += std::min(length, room);
    }

private:
    // Most strings are a few bytes long: a plain loop beats a library call for them. Count is
    // never 0: every string has a byte and the output has room for one.
    static void Copy(uint8_t* to, const uint8_t* from, uint32_t count) {
        if (count > 16) {
            std::memcpy(to, from, count);
            return;
        }
        do
            *to++ = *from++;
        while (--count != 0);
    }

    uint8_t* const Dest;
    const uint32_t Size;
    const uint32_t RootCount;
    uint32_t Pos = 0;
    uint32_t PreviousPos = 0;
    uint32_t PreviousLength = 0;
    std::array<uint32_t, TableSize> Offset;
    std::array<uint16_t, TableSize> Length;
};
