#include "formats/DibRle.h"

#include "platform/Bitmap.h"

#include <algorithm>
#include <climits>

namespace {

// Writes pixels at a position that run-length codes move around, dropping the ones that
// fall outside the picture.
class TRlePixelWriter {
public:
    TRlePixelWriter(TBitmap& bitmap, bool topDown, int bitsPerPixel)
        : Bitmap(bitmap), TopDown(topDown), Bits(bitsPerPixel) {
        SelectRow();
    }

    bool Finished() const { return Y >= Bitmap.Height(); }

    void Put(uint32_t value) {
        if (X < Bitmap.Width()) {
            switch (Bits) {
            case 4: {
                uint8_t& byte = Row[X >> 1];
                byte =
                    (X & 1) ? uint8_t((byte & 0xF0) | value) : uint8_t((byte & 0x0F) | value << 4);
                break;
            }
            case 8:
                Row[X] = uint8_t(value);
                break;
            default: // 24: value is blue | green << 8 | red << 16
                Row[X * 3] = uint8_t(value);
                Row[X * 3 + 1] = uint8_t(value >> 8);
                Row[X * 3 + 2] = uint8_t(value >> 16);
                break;
            }
        }
        if (X < INT32_MAX)
            ++X;
    }

    void EndOfLine() { MoveTo(0, int64_t(Y) + 1); }
    void Delta(uint8_t dx, uint8_t dy) { MoveTo(int64_t(X) + dx, int64_t(Y) + dy); }

private:
    void MoveTo(int64_t x, int64_t y) {
        X = int32_t(std::min<int64_t>(x, INT32_MAX));
        const bool newRow = y != Y;
        Y = int32_t(std::min<int64_t>(y, INT32_MAX));
        if (newRow)
            SelectRow();
    }
    void SelectRow() {
        if (!Finished())
            Row = Bitmap.ScanLine(TopDown ? Y : Bitmap.Height() - 1 - Y);
    }

    TBitmap& Bitmap;
    const bool TopDown;
    const int Bits;
    int32_t X = 0;
    int32_t Y = 0; // counted in storage order: from the bottom unless top-down
    uint8_t* Row = nullptr;
};

// Bytes one pixel value takes in the data, and pixels per such value.
struct TRleLayout {
    int ValueBytes;
    int PixelsPerValue;
};

TRleLayout LayoutOf(TDibCompression compression) {
    switch (compression) {
    case TDibCompression::dcRle4:
        return {1, 2};
    case TDibCompression::dcRle24:
        return {3, 1};
    default:
        return {1, 1};
    }
}

uint32_t LoadValue(const uint8_t* p, int valueBytes) {
    return valueBytes == 3 ? uint32_t(p[0] | (p[1] << 8) | (p[2] << 16)) : p[0];
}

// The pixel of a value at Index within a run or an absolute stretch: RLE4 values carry two
// pixels, high nibble first.
uint32_t PixelOf(uint32_t value, int pixelsPerValue, int index) {
    if (pixelsPerValue == 2)
        return (index & 1) ? value & 15 : value >> 4;
    return value;
}

} // namespace

void DecodeDibRle(const uint8_t* data, size_t size, const TDibHeader& header, TBitmap& bitmap) {
    const TRleLayout layout = LayoutOf(header.Compression);
    const int bits = header.Compression == TDibCompression::dcRle4    ? 4
                     : header.Compression == TDibCompression::dcRle24 ? 24
                                                                      : 8;
    TRlePixelWriter writer(bitmap, header.TopDown, bits);
    size_t pos = 0;
    while (!writer.Finished() && size - pos >= 2) {
        const uint8_t count = data[pos];
        const uint8_t code = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // A run: Count pixels of the value that starts in the second byte (RLE24
            // values take two bytes more).
            const size_t valueStart = pos - 1;
            if (size - valueStart < size_t(layout.ValueBytes))
                return;
            const uint32_t value = LoadValue(data + valueStart, layout.ValueBytes);
            pos = valueStart + layout.ValueBytes;
            for (int i = 0; i < count; ++i)
                writer.Put(PixelOf(value, layout.PixelsPerValue, i));
            continue;
        }
        switch (code) {
        case 0:
            writer.EndOfLine();
            break;
        case 1:
            return;
        case 2:
            if (size - pos < 2)
                return;
            writer.Delta(data[pos], data[pos + 1]);
            pos += 2;
            break;
        default: {
            // Absolute stretch: Code pixels stored as they are, padded to a 16-bit boundary.
            const size_t values = (code + layout.PixelsPerValue - 1) / layout.PixelsPerValue;
            const size_t bytes = values * layout.ValueBytes;
            const size_t available = std::min(bytes, size - pos);
            for (int i = 0; i < code; ++i) {
                const size_t offset = size_t(i / layout.PixelsPerValue) * layout.ValueBytes;
                if (offset + layout.ValueBytes > available)
                    return;
                writer.Put(PixelOf(LoadValue(data + pos + offset, layout.ValueBytes),
                                   layout.PixelsPerValue, i));
            }
            pos += bytes + (bytes & 1);
            if (pos > size)
                return;
            break;
        }
        }
    }
}
