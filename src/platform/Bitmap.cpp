#include "platform/Bitmap.h"

#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <cstring>

namespace {

TLogPalette MonochromePalette() {
    return {{0, 0, 0, 0}, {255, 255, 255, 0}};
}

TLogPalette GrayRamp() {
    TLogPalette palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return palette;
}

bool IsIndexed(TPixelFormat format) {
    return format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit ||
           format == TPixelFormat::pf8bit;
}

TLogPalette DefaultPaletteFor(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
        return MonochromePalette();
    case TPixelFormat::pf4bit:
        return DefaultPalette16();
    case TPixelFormat::pf8bit:
        return GrayRamp();
    default:
        return {};
    }
}

// 5- and 6-bit channels widened by repeating their top bits, so full scale stays 255.
inline uint8_t Expand5(unsigned v) {
    return uint8_t((v << 3) | (v >> 2));
}
inline uint8_t Expand6(unsigned v) {
    return uint8_t((v << 2) | (v >> 4));
}

inline uint8_t OverWhite(unsigned color, unsigned alpha) {
    return uint8_t((color * alpha + 255 * (255 - alpha) + 127) / 255);
}

} // namespace

void BlendOverWhite(const uint8_t* bgra, int32_t width, uint8_t* bgr) {
    for (int32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        bgr[0] = OverWhite(bgra[0], bgra[3]);
        bgr[1] = OverWhite(bgra[1], bgra[3]);
        bgr[2] = OverWhite(bgra[2], bgra[3]);
    }
}

void DropAlpha(const uint8_t* bgra, int32_t width, uint8_t* bgr) {
    for (int32_t x = 0; x < width; ++x)
        std::memcpy(bgr + x * 3, bgra + x * 4, 3);
}

bool AnyAlpha(const uint8_t* bgra, int32_t width) {
    uint8_t any = 0;
    for (int32_t x = 0; x < width; ++x)
        any |= bgra[x * 4 + 3];
    return any != 0;
}

const TLogPalette& DefaultPalette16() {
    static const TLogPalette palette = {
        {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
        {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
        {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
        {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
    return palette;
}

TBitmap::TBitmap(const TBitmap& other) : TGraphic() {
    Assign(other);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other)
        Assign(other);
    return *this;
}

void TBitmap::Allocate() {
    FBits.Reset();
    FRowBytes = 0;
    if (FWidth == 0 || FHeight == 0)
        return;
    const int bits = PixelFormatBits(FPixelFormat);
    if (bits == 0 || !MayAllocatePicture(FWidth, FHeight)) {
        FWidth = FHeight = 0;
        throw EInvalidGraphic("Invalid bitmap size or pixel format");
    }
    const int64_t rowBytes = DibRowBytes(FWidth, bits);
    try {
        FBits = TPictureMemory(size_t(rowBytes) * size_t(FHeight));
    } catch (...) {
        FWidth = FHeight = 0;
        throw;
    }
    FRowBytes = static_cast<int32_t>(rowBytes);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
    if (width < 0 || height < 0)
        throw EInvalidGraphic("Invalid bitmap size or pixel format");
    if (width == FWidth && height == FHeight && (FBits.Data() || width == 0 || height == 0))
        return;
    FWidth = width;
    FHeight = height;
    Allocate();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == FPixelFormat)
        return;
    FPixelFormat = format;
    if (IsIndexed(format) && FPalette.empty())
        FPalette = DefaultPaletteFor(format);
    if (FBits.Data())
        Allocate();
}

uint8_t* TBitmap::ScanLine(int32_t y) {
    return const_cast<uint8_t*>(static_cast<const TBitmap*>(this)->ScanLine(y));
}

const uint8_t* TBitmap::ScanLine(int32_t y) const {
    if (y < 0 || y >= FHeight || !FBits.Data())
        throw EInvalidGraphic("Scan line index out of range");
    return FBits.Data() + static_cast<size_t>(y) * static_cast<size_t>(FRowBytes);
}

void TBitmap::SetPalette(TLogPalette palette) {
    if (palette.size() > MaxPaletteEntries)
        palette.resize(MaxPaletteEntries);
    FPalette = std::move(palette);
}

void TBitmap::Fill(TColorRGB color) {
    if (!FBits.Data())
        return;
    const int bits = PixelFormatBits(FPixelFormat);
    uint8_t pattern[4] = {};
    if (IsIndexed(FPixelFormat)) {
        uint8_t index = 0;
        for (size_t i = 0; i < FPalette.size(); ++i) {
            const auto& e = FPalette[i];
            if (e.peRed == color.Red && e.peGreen == color.Green && e.peBlue == color.Blue) {
                index = uint8_t(i);
                break;
            }
        }
        uint8_t byte = index;
        if (bits == 1)
            byte = index ? 0xFF : 0x00;
        else if (bits == 4)
            byte = uint8_t((index << 4) | (index & 15));
        std::memset(FBits.Data(), byte, static_cast<size_t>(FRowBytes) * FHeight);
        return;
    }
    int bytesPerPixel = bits / 8;
    if (FPixelFormat == TPixelFormat::pf15bit || FPixelFormat == TPixelFormat::pf16bit) {
        const bool six = FPixelFormat == TPixelFormat::pf16bit;
        const unsigned value =
            six ? ((color.Red >> 3) << 11) | ((color.Green >> 2) << 5) | (color.Blue >> 3)
                : ((color.Red >> 3) << 10) | ((color.Green >> 3) << 5) | (color.Blue >> 3);
        pattern[0] = uint8_t(value);
        pattern[1] = uint8_t(value >> 8);
    } else {
        pattern[0] = color.Blue;
        pattern[1] = color.Green;
        pattern[2] = color.Red;
        pattern[3] = 255;
    }
    for (int32_t y = 0; y < FHeight; ++y) {
        uint8_t* row = ScanLine(y);
        for (int32_t x = 0; x < FWidth; ++x)
            std::memcpy(row + x * bytesPerPixel, pattern, bytesPerPixel);
    }
}

void TBitmap::ReleaseImage() {
    FBits.Reset();
    FWidth = FHeight = FRowBytes = 0;
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this)
        return;
    FPixelFormat = source.FPixelFormat;
    FPalette = source.FPalette;
    Transparent = source.Transparent;
    TransparentColor = source.TransparentColor;
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    Allocate();
    if (FBits.Data())
        std::memcpy(FBits.Data(), source.FBits.Data(), static_cast<size_t>(FRowBytes) * FHeight);
}

void TBitmap::Draw(TBitmap& canvas, int32_t x, int32_t y) const {
    if (Empty() || canvas.Empty() || canvas.PixelFormat() != TPixelFormat::pf24bit)
        return;
    const int32_t left = std::max(0, -x);
    const int32_t right = std::min(FWidth, canvas.Width() - x);
    const int32_t top = std::max(0, -y);
    const int32_t bottom = std::min(FHeight, canvas.Height() - y);
    if (left >= right || top >= bottom)
        return;
    const TBgrRowConverter converter(*this);
    std::unique_ptr<uint8_t[]> row(new uint8_t[static_cast<size_t>(FWidth) * 3]);
    for (int32_t sy = top; sy < bottom; ++sy) {
        converter.ConvertRow(sy, row.get());
        std::memcpy(canvas.ScanLine(y + sy) + (x + left) * 3, row.get() + left * 3,
                    static_cast<size_t>(right - left) * 3);
    }
}

TBgrRowConverter::TBgrRowConverter(const TBitmap& source) : Source(source) {
    const TLogPalette& palette = source.Palette();
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
        Lookup[i][0] = palette[i].peBlue;
        Lookup[i][1] = palette[i].peGreen;
        Lookup[i][2] = palette[i].peRed;
    }
    HasTransparency = source.Transparent;
    TransparentBgr[0] = source.TransparentColor.Blue;
    TransparentBgr[1] = source.TransparentColor.Green;
    TransparentBgr[2] = source.TransparentColor.Red;
    if (source.PixelFormat() == TPixelFormat::pf32bit)
        for (int32_t y = 0; y < source.Height() && !BlendAlpha; ++y)
            BlendAlpha = AnyAlpha(source.ScanLine(y), source.Width());
}

void TBgrRowConverter::ConvertRow(int32_t y, uint8_t* out) const {
    const uint8_t* in = Source.ScanLine(y);
    const int32_t width = Source.Width();
    switch (Source.PixelFormat()) {
    case TPixelFormat::pf1bit:
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(out + x * 3, Lookup[(in[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
    case TPixelFormat::pf4bit:
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(out + x * 3, Lookup[(x & 1) ? (in[x >> 1] & 15) : (in[x >> 1] >> 4)], 3);
        break;
    case TPixelFormat::pf8bit:
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(out + x * 3, Lookup[in[x]], 3);
        break;
    case TPixelFormat::pf15bit:
        for (int32_t x = 0; x < width; ++x) {
            const unsigned v = in[x * 2] | (in[x * 2 + 1] << 8);
            out[x * 3] = Expand5(v & 31);
            out[x * 3 + 1] = Expand5((v >> 5) & 31);
            out[x * 3 + 2] = Expand5((v >> 10) & 31);
        }
        break;
    case TPixelFormat::pf16bit:
        for (int32_t x = 0; x < width; ++x) {
            const unsigned v = in[x * 2] | (in[x * 2 + 1] << 8);
            out[x * 3] = Expand5(v & 31);
            out[x * 3 + 1] = Expand6((v >> 5) & 63);
            out[x * 3 + 2] = Expand5((v >> 11) & 31);
        }
        break;
    case TPixelFormat::pf32bit:
        if (BlendAlpha)
            BlendOverWhite(in, width, out);
        else
            DropAlpha(in, width, out);
        break;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf24bit:
        std::memcpy(out, in, static_cast<size_t>(width) * 3);
        break;
    case TPixelFormat::pfCustom:
        std::memset(out, 255, static_cast<size_t>(width) * 3);
        break;
    }
    if (HasTransparency) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = out + x * 3;
            if (p[0] == TransparentBgr[0] && p[1] == TransparentBgr[1] && p[2] == TransparentBgr[2])
                p[0] = p[1] = p[2] = 255;
        }
    }
}
