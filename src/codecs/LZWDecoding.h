#pragma once

#include "codecs/LZWBitReader.h"
#include "codecs/LZWStringTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// How an LZW variant differs from the others.
struct TLZWDialect {
    bool MostSignificantFirst; // bit order of the codes
    bool EarlyChange;          // the width grows one code before the free code outgrows it
    bool EndStops; // the end code ends decoding; otherwise it is dropped like an invalid code
};

// Expands the LZW codes of SOURCE into DEST: roots 0 .. 2^(initialWidth - 1) - 1, then the
// clear and end codes, codes initialWidth bits wide (2 to 9) growing up to 12. Decoding ends
// when dest is full or the data end; a code beyond the table is dropped, and the codes held
// with it wait for the next input byte. A string that does not fit is cut. What the codes do
// not yield of dest is set to 0, so callers need not clear it first.
//
// Flattened so that the string table and the bit reader stay inline in every instance.
template <TLZWDialect Dialect>
__attribute__((flatten)) void DecodeLZW(const uint8_t* source, size_t packedSize, uint8_t* dest,
                                        size_t unpackedSize, uint32_t initialWidth) {
    constexpr uint32_t MaxWidth = 12;
    const uint32_t clearCode = 1u << (initialWidth - 1);
    const uint32_t endCode = clearCode + 1;
    const uint32_t firstFree = clearCode + 2;
    const auto growAt = [](uint32_t width) -> uint32_t {
        return width < MaxWidth ? (1u << width) - (Dialect.EarlyChange ? 1 : 0) : UINT32_MAX;
    };

    TLZWBitReader<Dialect.MostSignificantFirst> reader(source, packedSize);
    TLZWStringTable table(clearCode);
    uint8_t* out = dest;
    uint8_t* const end = dest + unpackedSize;
    uint32_t freeCode = firstFree;
    uint32_t width = initialWidth;
    uint32_t widenAt = growAt(width);
    uint32_t code;

    // After a string of LENGTH bytes at OUT (WRITTEN of them fitted): the table
    // takes the entry the string completed, the width may grow, and the next free code
    // stands for this string and the first byte of the next.
    const auto advance = [&](uint32_t length, uint32_t written, bool completes) {
        if (completes && freeCode <= TLZWStringTable::MaxCode)
            ++freeCode;
        if (freeCode >= widenAt) {
            ++width;
            widenAt = growAt(width);
        }
        table.Define(freeCode, out, length + 1);
        out += written;
    };

    // After a code that is no string (but a clear code): true when decoding goes on.
    const auto goesOnAfter = [&](uint32_t code) {
        return !(Dialect.EndStops && code == endCode) && reader.Pause();
    };

    for (;;) {
        // A fresh table: its first code is a root, with no previous string to extend.
        for (;;) {
            if (out == end || !reader.Next(width, code))
                goto done;
            if (code < clearCode)
                break;
            if (code == clearCode)
                continue;
            if (!goesOnAfter(code))
                goto done;
        }
        *out = static_cast<uint8_t>(code);
        advance(1, 1, false);

        for (;;) {
            if (!reader.Next(width, code))
                goto done;
            const uint32_t length = table.LengthOf(code);
            if (length == 0) [[unlikely]] {
                if (code == clearCode)
                    break;
                if (!goesOnAfter(code))
                    goto done;
                continue;
            }
            const uint8_t* const from = table.StartOf(code);
            // The free code's string is the previous one and its own first byte.
            const uint32_t known = code == freeCode ? length - 1 : length;
            const size_t room = size_t(end - out);
            if (length + TLZWStringTable::Block <= room) [[likely]] {
                TLZWStringTable::CopyBlocks(out, from, length);
                if (known < length)
                    out[known] = out[0];
                advance(length, length, true);
                continue;
            }
            const uint32_t fits = uint32_t(std::min<size_t>(length, room));
            std::memcpy(out, from, std::min(known, fits));
            if (known < fits)
                out[known] = out[0];
            advance(length, fits, true);
            if (out == end)
                goto done;
        }
        table.Forget(firstFree, freeCode);
        freeCode = firstFree;
        width = initialWidth;
        widenAt = growAt(width);
    }
done:
    std::fill(out, end, uint8_t(0));
}
