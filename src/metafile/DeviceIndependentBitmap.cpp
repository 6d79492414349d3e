#include "metafile/DeviceIndependentBitmap.h"

#include "formats/DibHeader.h"
#include "formats/DibPixels.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <vector>

namespace {

// Compression codes of embedded pictures that the bitmap only wraps.
enum : uint32_t { biJpeg = 4, biPng = 5 };

// Metafiles may wrap a whole JPEG or PNG picture in a bitmap header.
bool WrapsPicture(const TByteCursor& info) {
    if (!info.Has(0, 20) || info.U32At(0) < 40)
        return false;
    const uint32_t compression = info.U32At(16);
    return compression == biJpeg || compression == biPng;
}

QImage DecodeWrappedPicture(const TByteCursor& bits) {
    QImage image;
    image.loadFromData(bits.Data(), int(qMin<size_t>(bits.Size(), INT32_MAX)));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

TDibColorTable ColorTableOf(TDibColorUsage usage) {
    return usage == TDibColorUsage::duPalColors ? TDibColorTable::dtPaletteIndices
                                                : TDibColorTable::dtColors;
}

// Unlike a bitmap file, a record's rows must all be there: a record cut short is not drawn.
bool BitsCoverRows(const TDibHeader& header, uint64_t bitsSize) {
    const bool runLengths = header.Compression == TDibCompression::dcRle4 ||
                            header.Compression == TDibCompression::dcRle8 ||
                            header.Compression == TDibCompression::dcRle24;
    if (runLengths)
        return !header.TopDown;
    const int64_t stride = DibRowBytes(header.Width, header.BitCount);
    return stride > 0 && uint64_t(stride) * uint64_t(header.Height) <= bitsSize;
}

// Alpha blending reads the fourth byte of 32-bit pixels as alpha, whatever the masks say of
// it; the bitmap reader would otherwise clear it as unused.
void KeepFourthByteAsAlpha(TDibHeader& header) {
    if (header.BitCount != 32)
        return;
    if (header.Compression == TDibCompression::dcNone) {
        header.Compression = TDibCompression::dcBitFields;
        header.Masks = {0xFF0000, 0xFF00, 0xFF, 0};
    }
    header.Masks.Alpha = 0xFF000000;
}

// 32-bit pixels keep their fourth byte as premultiplied alpha when KeepAlpha is set and
// ignore it otherwise; every other format is looked up or expanded to 8-bit channels.
QImage ToImage(const TBitmap& bitmap, bool keepAlpha) {
    const bool direct = bitmap.PixelFormat() == TPixelFormat::pf32bit;
    const bool alpha = keepAlpha && direct;
    QImage image(bitmap.Width(), bitmap.Height(),
                 alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const TBgrRowConverter converter(bitmap);
    std::vector<uint8_t> bgr(direct ? 0 : size_t(bitmap.Width()) * 3);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* in = bitmap.ScanLine(y);
        const int step = direct ? 4 : 3;
        if (!direct) {
            converter.ConvertRow(y, bgr.data());
            in = bgr.data();
        }
        for (int32_t x = 0; x < bitmap.Width(); ++x, in += step) {
            if (!alpha) {
                row[x] = qRgb(in[2], in[1], in[0]);
                continue;
            }
            const uint8_t a = in[3];
            row[x] = qRgba(qMin(in[2], a), qMin(in[1], a), qMin(in[0], a), a);
        }
    }
    return image;
}

// The pixels at the position of Bits, described by Header.
QImage DecodePixels(TDibHeader header, TStream& bits, bool keepAlpha) {
    if (!BitsCoverRows(header, uint64_t(bits.Remaining())))
        return {};
    if (keepAlpha)
        KeepFourthByteAsAlpha(header);
    TBitmap bitmap;
    ReadDibPixels(bits, header, bitmap);
    return ToImage(bitmap, keepAlpha);
}

// What the bitmap reader refuses is not drawn; a picture over the load's memory budget
// fails the load.
template <typename TDecode>
QImage UnlessRefused(TDecode decode) {
    try {
        return decode();
    } catch (const EPictureMemory&) {
        throw;
    } catch (const Exception&) {
        return {};
    }
}

} // namespace

QImage DecodeDib(const TByteCursor& info, const TByteCursor& bits, TDibColorUsage usage,
                 bool keepAlpha) {
    if (WrapsPicture(info))
        return DecodeWrappedPicture(bits);
    return UnlessRefused([&] {
        TMemoryStream infoStream(info.Data(), info.Size());
        const TDibHeader header = ReadDibHeader(infoStream, -1, ColorTableOf(usage));
        TMemoryStream bitsStream(bits.Data(), bits.Size());
        return DecodePixels(header, bitsStream, keepAlpha);
    });
}

QImage DecodePackedDib(const TByteCursor& packed, TDibColorUsage usage) {
    if (WrapsPicture(packed)) {
        const uint32_t headerSize = packed.U32At(0);
        return DecodeWrappedPicture(packed.Sub(headerSize, packed.Size() - headerSize));
    }
    return UnlessRefused([&] {
        TMemoryStream stream(packed.Data(), packed.Size());
        const TDibHeader header = ReadDibHeader(stream, -1, ColorTableOf(usage));
        if (header.BitCount > 8 && header.ColorsUsed <= MaxPaletteEntries) {
            const int entrySize = usage == TDibColorUsage::duPalColors ? 2 : 4;
            stream.Seek(int64_t(header.ColorsUsed) * entrySize, TSeekOrigin::soCurrent);
        }
        return DecodePixels(header, stream, false);
    });
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
