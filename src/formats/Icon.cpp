#include "formats/Icon.h"

#include "formats/DibHeader.h"
#include "formats/DibPixels.h"
#include "formats/PNGGraphic.h"
#include "platform/ByteCursor.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"
#include "platform/Streams.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr const char* SInvalidIcon = "Icon image is not valid";

constexpr size_t DirectoryHeaderSize = 6;
constexpr size_t DirectoryEntrySize = 16;
constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// One image of the file, as its own header describes it (the directory's sizes and depths
// are often zero or wrong).
struct TIconImage {
    int64_t Position = 0;
    bool IsPng = false;
    int64_t Width = 0;
    int64_t Height = 0;
    int BitsPerPixel = 0;
};

int PngBitsPerPixel(uint8_t bitDepth, uint8_t colorType) {
    static constexpr int Channels[7] = {1, 0, 3, 1, 2, 0, 4};
    return colorType < 7 ? bitDepth * Channels[colorType] : 0;
}

[[noreturn]] void RaiseInvalidIcon() {
    throw EInvalidGraphic(SInvalidIcon);
}

// An offset past the end finds nothing to read, as one before the start would not.
std::optional<TIconImage> ProbeImage(TStream& stream, int64_t position) {
    if (position < 0)
        return std::nullopt;
    stream.SetPosition(position);
    std::array<uint8_t, 26> raw;
    if (stream.Read(raw.data(), int64_t(raw.size())) != int64_t(raw.size()))
        return std::nullopt;
    // The start of a PNG file: signature, then the header chunk's length, type and fields.
    const TByteCursor head(raw, TByteOrder::boBigEndian);
    TIconImage image;
    image.Position = position;
    if (std::memcmp(head.Data(), PngSignature, sizeof PngSignature) == 0) {
        image.IsPng = true;
        image.Width = head.U32At(16);
        image.Height = head.U32At(20);
        image.BitsPerPixel = PngBitsPerPixel(head.U8At(24), head.U8At(25));
        return image;
    }
    try {
        stream.SetPosition(position);
        const TDibHeader header = ReadDibHeader(stream);
        image.Width = header.Width;
        image.Height = header.Height / 2; // the AND mask's rows are counted in
        image.BitsPerPixel = header.BitCount;
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
    return image;
}

bool Precedes(const TIconImage& a, const TIconImage& b) {
    const int64_t areaA = a.Width * a.Height;
    const int64_t areaB = b.Width * b.Height;
    return areaA != areaB ? areaA > areaB : a.BitsPerPixel > b.BitsPerPixel;
}

TIconImage ChooseImage(TStream& stream) {
    const int64_t start = stream.Position();
    std::array<uint8_t, DirectoryHeaderSize> raw;
    const TByteCursor directory =
        ReadBlock(stream, raw, TByteOrder::boLittleEndian, RaiseInvalidIcon);
    const uint16_t type = directory.U16At(2);
    const int count = directory.U16At(4);
    if (directory.U16At(0) != 0 || (type != 1 && type != 2) || count == 0)
        RaiseInvalidIcon();
    std::vector<uint8_t> storage(size_t(count) * DirectoryEntrySize);
    const TByteCursor entries =
        ReadBlock(stream, storage, TByteOrder::boLittleEndian, RaiseInvalidIcon);

    std::optional<TIconImage> best;
    for (int i = 0; i < count; ++i) {
        const int64_t offset = entries.U32At(size_t(i) * DirectoryEntrySize + 12);
        const std::optional<TIconImage> image = ProbeImage(stream, start + offset);
        // An image no picture could hold is passed over, so its size never enters a product.
        if (image && MayAllocatePicture(image->Width, image->Height) &&
            (!best || Precedes(*image, *best)))
            best = image;
    }
    if (!best)
        throw EInvalidGraphic(SInvalidIcon);
    return *best;
}

// The AND mask: one bit per pixel, set where the pixel is transparent. Rows missing from a
// short file count as opaque.
std::vector<uint8_t> ReadAndMask(TStream& stream, const TDibHeader& header) {
    const int64_t rowBytes = DibRowBytes(header.Width, 1);
    std::vector<uint8_t> mask(size_t(rowBytes * header.Height), 0);
    stream.Read(mask.data(), int64_t(mask.size()));
    return mask;
}

bool MaskBit(const std::vector<uint8_t>& mask, const TDibHeader& header, int32_t x, int32_t y) {
    const int64_t rowBytes = DibRowBytes(header.Width, 1);
    const int64_t storedRow = header.TopDown ? y : header.Height - 1 - y;
    return (mask[size_t(storedRow * rowBytes + (x >> 3))] >> (7 - (x & 7))) & 1;
}

bool HasAnyAlpha(const TBitmap& image) {
    if (image.PixelFormat() != TPixelFormat::pf32bit)
        return false;
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* row = image.ScanLine(y);
        for (int32_t x = 0; x < image.Width(); ++x)
            if (row[x * 4 + 3] != 0)
                return true;
    }
    return false;
}

// Makes Image the blue, green, red, alpha of Colors: Colors' own alpha when KeepAlpha (it is
// then 32-bit), else AlphaOf(x, y).
template <typename TAlphaOf>
void ToBgra(const TBitmap& colors, bool keepAlpha, TAlphaOf alphaOf, TBitmap& image) {
    image.SetPixelFormat(TPixelFormat::pf32bit);
    image.SetSize(colors.Width(), colors.Height());
    if (keepAlpha) {
        for (int32_t y = 0; y < colors.Height(); ++y)
            std::memcpy(image.ScanLine(y), colors.ScanLine(y), size_t(colors.Width()) * 4);
        return;
    }
    const TBgrRowConverter converter(colors);
    std::vector<uint8_t> bgr(size_t(colors.Width()) * 3);
    for (int32_t y = 0; y < colors.Height(); ++y) {
        converter.ConvertRow(y, bgr.data());
        uint8_t* out = image.ScanLine(y);
        for (int32_t x = 0; x < colors.Width(); ++x) {
            std::memcpy(out + x * 4, bgr.data() + x * 3, 3);
            out[x * 4 + 3] = alphaOf(x, y);
        }
    }
}

// Icons of 256 pixels are usually stored as PNG, read by the PNG reader. Its alpha, where
// it gives one, makes the image's; other pixels are opaque.
void LoadPngIconImage(TStream& stream, TBitmap& image) {
    TPNGGraphic png;
    png.LoadFromStream(stream);
    ToBgra(
        png, png.PixelFormat() == TPixelFormat::pf32bit,
        [](int32_t, int32_t) { return uint8_t(255); }, image);
}

void LoadDibIconImage(TStream& stream, TBitmap& image) {
    TDibHeader header = ReadDibHeader(stream);
    header.Height /= 2;
    if (header.Height == 0 || (header.Compression != TDibCompression::dcNone &&
                               header.Compression != TDibCompression::dcBitFields))
        throw EInvalidGraphic(SInvalidIcon);
    // The fourth byte of a 32-bit icon pixel is its alpha.
    if (header.BitCount == 32 && header.Compression == TDibCompression::dcNone) {
        header.Compression = TDibCompression::dcBitFields;
        header.Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    }
    TBitmap colors;
    ReadDibPixels(stream, header, colors);
    // Pixels the AND mask covers are transparent, unless a 32-bit image has alpha of its own.
    const std::vector<uint8_t> mask = ReadAndMask(stream, header);
    ToBgra(
        colors, HasAnyAlpha(colors),
        [&](int32_t x, int32_t y) { return uint8_t(MaskBit(mask, header, x, y) ? 0 : 255); },
        image);
}

inline uint8_t Blend(unsigned over, unsigned under, unsigned alpha) {
    return uint8_t((over * alpha + under * (255 - alpha) + 127) / 255);
}

} // namespace

const TGraphicClassInfo TIcon::ClassInfo = {
    "TIcon", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); }};

void TIcon::LoadFromStream(TStream& stream) {
    const TIconImage chosen = ChooseImage(stream);
    stream.SetPosition(chosen.Position);
    FImage.ReleaseImage();
    if (chosen.IsPng)
        LoadPngIconImage(stream, FImage);
    else
        LoadDibIconImage(stream, FImage);
}

void TIcon::Draw(TBitmap& canvas, int32_t x, int32_t y) const {
    if (Empty() || canvas.Empty() || canvas.PixelFormat() != TPixelFormat::pf24bit)
        return;
    const int32_t left = std::max(0, -x);
    const int32_t right = std::min(Width(), canvas.Width() - x);
    const int32_t top = std::max(0, -y);
    const int32_t bottom = std::min(Height(), canvas.Height() - y);
    for (int32_t sy = top; sy < bottom; ++sy) {
        const uint8_t* in = FImage.ScanLine(sy) + size_t(left) * 4;
        uint8_t* out = canvas.ScanLine(y + sy) + size_t(x + left) * 3;
        for (int32_t sx = left; sx < right; ++sx, in += 4, out += 3)
            for (int c = 0; c < 3; ++c)
                out[c] = Blend(in[c], out[c], in[3]);
    }
}
