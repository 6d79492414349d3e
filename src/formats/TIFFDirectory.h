#pragma once

#include "platform/ByteCursor.h"

#include <cstdint>
#include <span>
#include <vector>

// One image file directory of a TIFF file: its entries, found by tag whatever order the file
// keeps them in, and their values read from the file through a checked cursor. A value that
// does not lie inside the file counts as absent.
class TTIFFDirectory {
public:
    // Reads the directory at OFFSET of FILE, a cursor over the whole TIFF in its byte order;
    // a directory that does not lie inside the file raises the cursor's error.
    TTIFFDirectory(const TByteCursor& file, uint64_t offset);

    // Offset of the next directory; 0 ends the chain.
    uint32_t Next() const { return FNext; }
    bool Has(uint16_t tag) const { return Find(tag) != nullptr; }

    // Integer values (BYTE, SHORT, LONG and their signed forms; UNDEFINED as bytes); empty
    // when absent or of another type.
    std::vector<uint32_t> Integers(uint16_t tag) const;
    // The first integer value, or DEFAULTVALUE.
    uint32_t Integer(uint16_t tag, uint32_t defaultValue) const;
    // Numbers of any numeric type, RATIONAL as numerator divided by denominator.
    std::vector<double> Numbers(uint16_t tag) const;
    double Number(uint16_t tag, double defaultValue) const;
    // The stored bytes of a BYTE or UNDEFINED entry (JPEG tables, a colour profile).
    std::span<const uint8_t> Bytes(uint16_t tag) const;

private:
    struct TEntry {
        uint16_t Tag = 0;
        uint16_t Type = 0;
        uint32_t Count = 0;
        uint64_t ValueOffset = 0; // where the values lie in the file
    };
    const TEntry* Find(uint16_t tag) const;
    // The entry's values as a range of their own, when the file holds them all.
    bool Values(const TEntry& entry, TByteCursor& values) const;
    // Every value of the tag through READ(type, cursor), which gives nothing for a type it
    // does not take; then the tag has no values.
    template <class T, class Read>
    std::vector<T> Collect(uint16_t tag, Read read) const;

    TByteCursor FFile;
    std::vector<TEntry> FEntries; // sorted by tag
    uint32_t FNext = 0;
};
