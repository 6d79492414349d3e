#pragma once

#include "platform/Graphics.h"
#include "platform/PictureLimits.h"

#include <cstdint>

// The platform bitmap: pixels in one of the formats of TPixelFormat, rows stored top first
// with the 4-byte row alignment of device-independent bitmaps, a logical palette for the
// indexed formats and an optional transparent colour.
class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);

    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    void SetWidth(int32_t width) { SetSize(width, FHeight); }
    void SetHeight(int32_t height) { SetSize(FWidth, height); }
    // Gives the bitmap new, zero-filled storage unless the size is unchanged. A size that
    // MayAllocatePicture refuses raises EInvalidGraphic; so does any size for pfCustom, and
    // storage beyond the load's memory budget raises EPictureMemory.
    void SetSize(int32_t width, int32_t height);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Changing the format of a sized bitmap replaces its storage with zeros.
    void SetPixelFormat(TPixelFormat format);

    // Row Y counted from the top; raises EInvalidGraphic outside 0 .. Height - 1.
    uint8_t* ScanLine(int32_t y);
    const uint8_t* ScanLine(int32_t y) const;
    int32_t RowBytes() const { return FRowBytes; }

    const TLogPalette& Palette() const { return FPalette; }
    // Keeps at most 256 entries.
    void SetPalette(TLogPalette palette);

    bool Transparent = false;
    TColorRGB TransparentColor;

    // Sets every pixel to the colour (indexed formats: the first palette entry equal to it,
    // else index 0).
    void Fill(TColorRGB color);
    // Releases the pixels: the bitmap becomes empty, keeping its format and palette.
    void ReleaseImage();
    void Assign(const TBitmap& source);

    void Draw(TBitmap& canvas, int32_t x, int32_t y) const override;

private:
    void Allocate();

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FRowBytes = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
    TPictureMemory FBits; // counted against the load that sized the bitmap
    TLogPalette FPalette;
};

// Turns the rows of a bitmap of any pixel format into blue-green-red as if drawn onto white:
// palettes looked up (indices past the palette give black), 15/16-bit pixels expanded,
// the transparent colour shown white, 32-bit pixels blended over white by their alpha unless
// every alpha byte of the picture is 0 (an unused fourth byte), which draws opaque.
class TBgrRowConverter {
public:
    explicit TBgrRowConverter(const TBitmap& source);
    // Writes Width * 3 bytes for row Y (counted from the top).
    void ConvertRow(int32_t y, uint8_t* out) const;

private:
    const TBitmap& Source;
    uint8_t Lookup[256][3] = {}; // blue, green, red per palette index
    bool BlendAlpha = false;
    bool HasTransparency = false;
    uint8_t TransparentBgr[3] = {};
};

// Rows of WIDTH blue-green-red-alpha pixels as blue-green-red, the two ways
// TBgrRowConverter shows 32-bit bitmaps: blended over white, or opaque (alpha dropped).
void BlendOverWhite(const uint8_t* bgra, int32_t width, uint8_t* bgr);
void DropAlpha(const uint8_t* bgra, int32_t width, uint8_t* bgr);
// Whether any of the pixels has an alpha byte other than 0.
bool AnyAlpha(const uint8_t* bgra, int32_t width);

// The 16 colours of the platform's default palette (the VGA colours).
const TLogPalette& DefaultPalette16();
