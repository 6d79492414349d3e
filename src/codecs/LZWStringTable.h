#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

// Every byte value once: the one-byte strings of the root codes.
inline constexpr std::array<uint8_t, 256> LZWRootBytes = [] {
    std::array<uint8_t, 256> bytes{};
    for (int i = 0; i < 256; ++i)
        bytes[size_t(i)] = static_cast<uint8_t>(i);
    return bytes;
}();

// The string table and output cursor shared by the GIF and TIFF LZW decoders.
//
// Every string a code stands for has already appeared in the output of the same call: the
// entry made after a code is the previous code's output followed by the first byte of that
// code's output, which sits right behind it. So an entry is kept as a start and a length
// in the output, and a code is decoded with one block copy instead of a walk along its
// prefix chain. Nothing is ever written beyond the output size; a string that does not fit is
// cut to the room left.
class TLZWStringTable {
public:
    static constexpr uint32_t TableSize = 4096;

    TLZWStringTable(uint8_t* dest, uint32_t size, uint32_t rootCount) : Dest(dest), Size(size) {
        // Roots are strings too, of one byte kept outside the output, so that every code
        // is written the same way.
        for (uint32_t code = 0; code < std::min<uint32_t>(rootCount, 256); ++code) {
            Start[code] = &LZWRootBytes[code];
            Length[code] = 1;
        }
    }

    bool Full() const { return Pos == Size; }

    // The first code after a clear: a single byte that starts a new chain of entries.
    void WriteRoot(uint32_t code) {
        PreviousStart = Dest + Pos;
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
        if (code != freeCode) {
            length = Length[code];
            Copy(out, Start[code], std::min(length, room));
        } else {
            // The previous string and its own first byte.
            length = PreviousLength + 1;
            const uint32_t copied = std::min(PreviousLength, room);
            Copy(out, PreviousStart, copied);
            if (copied < room)
                out[copied] = *PreviousStart;
        }
        if (freeCode < TableSize) {
            Start[freeCode] = PreviousStart;
            Length[freeCode] = static_cast<uint16_t>(PreviousLength + 1);
            ++freeCode;
        }
        PreviousStart = out;
        PreviousLength = length;
        Pos += std::min(length, room);
    }

private:
    // Most strings are a few bytes long: two fixed-size moves that overlap cover any length
    // up to 16 without a loop. The string always ends before the place it is copied to, and
    // count is never 0: every string has a byte and the output has room for one.
    static void Copy(uint8_t* to, const uint8_t* from, uint32_t count) {
        if (count > 16)
            std::memcpy(to, from, count);
        else if (count >= 8)
            CopyEnds<uint64_t>(to, from, count);
        else if (count >= 4)
            CopyEnds<uint32_t>(to, from, count);
        else if (count >= 2)
            CopyEnds<uint16_t>(to, from, count);
        else
            *to = *from;
    }

    // The first and the last sizeof(T) bytes; together they cover count <= 2 * sizeof(T).
    template <typename T>
    static void CopyEnds(uint8_t* to, const uint8_t* from, uint32_t count) {
        T head, tail;
        std::memcpy(&head, from, sizeof(T));
        std::memcpy(&tail, from + count - sizeof(T), sizeof(T));
        std::memcpy(to, &head, sizeof(T));
        std::memcpy(to + count - sizeof(T), &tail, sizeof(T));
    }

    uint8_t* const Dest;
    const uint32_t Size;
    uint32_t Pos = 0;
    const uint8_t* PreviousStart = nullptr;
    uint32_t PreviousLength = 0;
    std::array<const uint8_t*, TableSize> Start;
    std::array<uint16_t, TableSize> Length;
};
