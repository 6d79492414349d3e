#pragma once

#include "platform/ByteOrder.h"
#include "platform/Graphics.h"

#include <cstdint>

class TStream;

// How the pixel bits of a device-independent bitmap are stored.
enum class TDibCompression : uint8_t { dcNone, dcRle8, dcRle4, dcRle24, dcBitFields };

// Where each channel sits in a pixel of 16 or 32 bits; a zero mask is an absent channel.
struct TDibChannelMasks {
    uint32_t Red = 0;
    uint32_t Green = 0;
    uint32_t Blue = 0;
    uint32_t Alpha = 0;
    bool operator==(const TDibChannelMasks&) const = default;
};

// What the colour table of an indexed bitmap holds: colours (blue, green, red and a fourth
// byte, three bytes after an OS/2 core header), or 16-bit indices into the logical palette
// of whoever draws it, which metafiles may use.
enum class TDibColorTable : uint8_t { dtColors, dtPaletteIndices };

// What a reader needs of a bitmap's info header: geometry, storage and colours.
struct TDibHeader {
    int32_t Width = 0;
    int32_t Height = 0; // always positive; TopDown says where row 0 is
    bool TopDown = false;
    uint16_t BitCount = 0;
    TDibCompression Compression = TDibCompression::dcNone;
    TDibChannelMasks Masks; // meaningful for dcBitFields only
    TLogPalette Palette;    // indexed depths only
    // As stored. Above 8 bits it counts the entries of a table that only helps palette
    // devices; a bitmap packed behind its header keeps that table before its pixels.
    uint32_t ColorsUsed = 0;
};

constexpr const char* SInvalidBitmap = "Bitmap image is not valid";
constexpr const char* SUnsupportedBitmap = "Bitmap image format is not supported";

// Raises EInvalidGraphic(SInvalidBitmap): the overrun of a bitmap's cursors.
[[noreturn]] void RaiseInvalidBitmap();

// Reads the info header at the stream's position (OS/2 core and 2.x, the 40-byte header and
// its V2 to V5 successors), the colour masks that follow it and the palette, and leaves the
// stream after the palette. When BitsPosition (the stream position of the pixel data) lies
// after the palette's start, the palette stops there: files with fewer entries than their
// depth allows put the pixels right after the last one. Raises EInvalidGraphic for anything
// that cannot be a bitmap this reader decodes. Palette indices are not realised: they pick
// from the 16 default colours, the best guess for the common small palettes.
TDibHeader ReadDibHeader(TStream& stream, int64_t bitsPosition = -1,
                         TDibColorTable table = TDibColorTable::dtColors);
