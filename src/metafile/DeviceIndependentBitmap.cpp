#include "metafile/DeviceIndependentBitmap.h"

#include "platform/Bitmap.h"
#include "platform/PictureLimits.h"

#include <array>
#include <vector>

namespace {

enum : uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biJpeg = 4, biPng = 5 };

struct TDibHeader {
    int64_t Width = 0;
    int64_t Height = 0; // negative: rows stored top first
    uint32_t BitCount = 0;
    uint32_t Compression = biRgb;
    uint32_t ColorsUsed = 0;
    uint32_t HeaderSize = 0;
    bool Core = false; // colour table of 3-byte entries
    std::array<uint32_t, 3> Masks = {};
    size_t ColorTableOffset = 0;
    size_t ColorTableEntries = 0;

    size_t EntrySize() const { return Core ? 3 : 4; }
    size_t InfoSize() const { return ColorTableOffset + ColorTableEntries * EntrySize(); }
};

bool ReadHeader(const TByteCursor& info, TDibHeader& h) {
    if (!info.Has(0, 4))
        return false;
    h.HeaderSize = info.U32At(0);
    if (h.HeaderSize == 12) {
        if (!info.Has(0, 12))
            return false;
        h.Core = true;
        h.Width = info.U16At(4);
        h.Height = info.U16At(6);
        h.BitCount = info.U16At(10);
    } else if (h.HeaderSize >= 40 && h.HeaderSize <= 1024 && info.Has(0, h.HeaderSize)) {
        h.Width = info.I32At(4);
        h.Height = info.I32At(8);
        h.BitCount = info.U16At(14);
        h.Compression = info.U32At(16);
        h.ColorsUsed = info.U32At(32);
    } else {
        return false;
    }
    h.ColorTableOffset = h.HeaderSize;
    if (h.Compression == biBitfields) {
        if (h.HeaderSize == 40) {
            if (!info.Has(40, 12))
                return false;
            h.ColorTableOffset += 12;
        }
        h.Masks = {info.U32At(40), info.U32At(44), info.U32At(48)};
    }
    if (h.BitCount <= 8)
        h.ColorTableEntries = h.ColorsUsed ? h.ColorsUsed : (size_t(1) << h.BitCount);
    else
        h.ColorTableEntries = h.ColorsUsed;
    if (h.ColorTableEntries > 256)
        h.ColorTableEntries = h.BitCount <= 8 ? 256 : 0;
    if (h.Width <= 0 || h.Height == 0)
        return false;
    return MayAllocatePicture(h.Width, h.Height < 0 ? -h.Height : h.Height);
}

std::vector<QRgb> ReadColorTable(const TByteCursor& info, const TDibHeader& h,
                                 TDibColorUsage usage) {
    std::vector<QRgb> table(size_t(1) << (h.BitCount <= 8 ? h.BitCount : 0), qRgb(0, 0, 0));
    const TLogPalette& vga = DefaultPalette16();
    for (size_t i = 0; i < h.ColorTableEntries && i < table.size(); ++i) {
        if (usage == TDibColorUsage::duPalColors) {
            // Indices into a logical palette this player does not realise: the VGA colours
            // are the best guess for the common small palettes.
            if (!info.Has(h.ColorTableOffset + i * 2, 2))
                break;
            const uint16_t index = info.U16At(h.ColorTableOffset + i * 2);
            const TPaletteEntry& e = vga[index % vga.size()];
            table[i] = qRgb(e.peRed, e.peGreen, e.peBlue);
            continue;
        }
        const size_t at = h.ColorTableOffset + i * h.EntrySize();
        if (!info.Has(at, 3))
            break;
        table[i] = qRgb(info.U8At(at + 2), info.U8At(at + 1), info.U8At(at));
    }
    return table;
}

int MaskShift(uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint8_t MaskedChannel(uint32_t pixel, uint32_t mask) {
    if (!mask)
        return 0;
    const int shift = MaskShift(mask);
    const uint32_t max = mask >> shift;
    return uint8_t(((pixel & mask) >> shift) * 255u / max);
}

// Run-length encoded rows (8 or 4 bits per pixel) into palette indices, bottom row first.
// Pixels the runs never reach keep index 0.
bool DecodeRle(const TByteCursor& bits, const TDibHeader& h, std::vector<uint8_t>& indices) {
    const int64_t width = h.Width, height = h.Height;
    indices.assign(static_cast<size_t>(width * height), 0);
    const bool four = h.Compression == biRle4;
    int64_t x = 0, y = 0;
    size_t at = 0;
    auto put = [&](uint8_t index) {
        if (x < width && y < height)
            indices[static_cast<size_t>(y * width + x)] = index;
        ++x;
    };
    while (bits.Has(at, 2) && y < height) {
        const uint8_t count = bits.U8At(at), value = bits.U8At(at + 1);
        at += 2;
        if (count) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (!bits.Has(at, 2))
                break;
            x += bits.U8At(at);
            y += bits.U8At(at + 1);
            at += 2;
        } else {
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (!bits.Has(at, bytes))
                break;
            for (int i = 0; i < value; ++i) {
                const uint8_t b = bits.U8At(at + (four ? i / 2 : i));
                put(four ? ((i & 1) ? b & 15 : b >> 4) : b);
            }
            at += (bytes + 1) & ~size_t(1);
        }
    }
    return true;
}

QImage DecodeIndexedRle(const TByteCursor& bits, const TDibHeader& h,
                        const std::vector<QRgb>& table) {
    if (h.Height < 0)
        return {};
    std::vector<uint8_t> indices;
    DecodeRle(bits, h, indices);
    QImage image(int(h.Width), int(h.Height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int64_t y = 0; y < h.Height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(int(h.Height - 1 - y)));
        for (int64_t x = 0; x < h.Width; ++x)
            row[x] = table[indices[static_cast<size_t>(y * h.Width + x)] % table.size()];
    }
    return image;
}

QImage DecodeRows(const TByteCursor& bits, const TDibHeader& h, const std::vector<QRgb>& table,
                  bool keepAlpha) {
    const int64_t height = h.Height < 0 ? -h.Height : h.Height;
    const int64_t stride = DibRowBytes(h.Width, int(h.BitCount));
    if (stride <= 0 || static_cast<uint64_t>(stride) * uint64_t(height) > bits.Size())
        return {};
    const bool alpha = keepAlpha && h.BitCount == 32;
    QImage image(int(h.Width), int(height),
                 alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    std::array<uint32_t, 3> masks = h.Masks;
    if (h.Compression != biBitfields) {
        if (h.BitCount == 16)
            masks = {0x7C00, 0x03E0, 0x001F};
        else
            masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* src = bits.Data() + (h.Height < 0 ? y : height - 1 - y) * stride;
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (int64_t x = 0; x < h.Width; ++x) {
            switch (h.BitCount) {
            case 1:
                row[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                row[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                break;
            case 8:
                row[x] = table[src[x]];
                break;
            case 24:
                row[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
                break;
            case 16:
            case 32: {
                const uint32_t p = h.BitCount == 16
                                       ? uint32_t(src[x * 2] | (src[x * 2 + 1] << 8))
                                       : uint32_t(src[x * 4]) | (uint32_t(src[x * 4 + 1]) << 8) |
                                             (uint32_t(src[x * 4 + 2]) << 16) |
                                             (uint32_t(src[x * 4 + 3]) << 24);
                const uint8_t r = MaskedChannel(p, masks[0]), g = MaskedChannel(p, masks[1]),
                              b = MaskedChannel(p, masks[2]);
                row[x] = alpha ? qRgba(qMin(r, uint8_t(p >> 24)), qMin(g, uint8_t(p >> 24)),
                                       qMin(b, uint8_t(p >> 24)), uint8_t(p >> 24))
                               : qRgb(r, g, b);
                break;
            }
            }
        }
    }
    return image;
}

} // namespace

QImage DecodeDib(const TByteCursor& info, const TByteCursor& bits, TDibColorUsage usage,
                 bool keepAlpha) {
    TDibHeader h;
    if (!ReadHeader(info, h))
        return {};
    if (h.Compression == biJpeg || h.Compression == biPng) {
        QImage image;
        image.loadFromData(bits.Data(), int(qMin<size_t>(bits.Size(), INT32_MAX)));
        return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
    }
    const bool knownDepth = h.BitCount == 1 || h.BitCount == 4 || h.BitCount == 8 ||
                            h.BitCount == 16 || h.BitCount == 24 || h.BitCount == 32;
    if (!knownDepth)
        return {};
    const std::vector<QRgb> table = ReadColorTable(info, h, usage);
    if ((h.Compression == biRle8 && h.BitCount == 8) ||
        (h.Compression == biRle4 && h.BitCount == 4))
        return DecodeIndexedRle(bits, h, table);
    if (h.Compression != biRgb && !(h.Compression == biBitfields && h.BitCount >= 16))
        return {};
    return DecodeRows(bits, h, table, keepAlpha);
}

QImage DecodePackedDib(const TByteCursor& packed, TDibColorUsage usage) {
    TDibHeader h;
    if (!ReadHeader(packed, h))
        return {};
    const size_t infoSize = usage == TDibColorUsage::duPalColors && !h.Core
                                ? h.ColorTableOffset + h.ColorTableEntries * 2
                                : h.InfoSize();
    if (infoSize > packed.Size())
        return {};
    return DecodeDib(packed, packed.Sub(infoSize, packed.Size() - infoSize), usage);
}

QImage DecodeBitmap16(const TByteCursor& record, QRgb foreground, QRgb background) {
    const int64_t width = record.I16At(2), height = record.I16At(4), stride = record.I16At(6);
    const int bitsPixel = record.U8At(9);
    if (!MayAllocatePicture(width, height) || stride <= 0 || stride < (width * bitsPixel + 7) / 8 ||
        !record.Has(10, size_t(stride * height)))
        return {};
    if (bitsPixel != 1 && bitsPixel != 8 && bitsPixel != 24 && bitsPixel != 32)
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* src = record.Data() + 10 + y * stride;
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (int64_t x = 0; x < width; ++x) {
            switch (bitsPixel) {
            case 1:
                row[x] = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? background : foreground;
                break;
            case 8:
                row[x] = qRgb(src[x], src[x], src[x]);
                break;
            default: {
                const uint8_t* p = src + x * (bitsPixel / 8);
                row[x] = qRgb(p[2], p[1], p[0]);
            }
            }
        }
    }
    return image;
}
