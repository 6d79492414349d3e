#include "raster/FastBMP.h"

#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

TFastBMP::TFastBMP() = default;
TFastBMP::~TFastBMP() = default;

void TFastBMP::SetSize(int32_t w, int32_t h) {
    SetSize(w, h, TPictureMemory::TFill::Zeros);
}

void TFastBMP::SetSize(int32_t w, int32_t h, TPictureMemory::TFill fill) {
    if (w == Width && h == Height)
        return;
    const bool empty = w == 0 || h == 0;
    if (w < 0 || h < 0 || (!empty && !MayAllocatePicture(w, h)))
        throw EInvalidGraphic("Invalid pixel buffer size");
    const int32_t stride = static_cast<int32_t>(DibRowBytes(w, 24));
    const size_t bytes = size_t(stride) * size_t(h);
    const bool zeros = fill == TPictureMemory::TFill::Zeros;
    if (!empty && bytes <= Storage.Size() && bytes >= Storage.Size() / 2) {
        // Storage the buffer already has costs less than faulting in fresh pages, which
        // matters when every step of the viewer resizes the display buffer.
        if (zeros)
            std::memset(Storage.Data(), 0, bytes);
    } else {
        // When the system refuses, the buffer stays as it was.
        Storage = TPictureMemory(empty ? 0 : bytes, fill);
    }
    PixelData = Storage.Data();
    Width = w;
    Height = h;
    DibInfo.biWidth = w;
    DibInfo.biHeight = -h; // top-down: the rows lie in the order they are decoded and shown
    RowStride = stride;
    RowPadding = w % 4;
    ByteSize = stride * h;
    RowTable.resize(size_t(h));
    for (int32_t i = 0; i < h; ++i)
        RowTable[size_t(i)] = PixelData + size_t(h - 1 - i) * size_t(stride);
}

void TFastBMP::Draw(TDeviceContext& dc, int32_t x, int32_t y) {
    DrawPart(dc, x, y, Width, Height, 0, 0);
}

void TFastBMP::DrawStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw, int32_t dh) {
    DrawPartStretched(dc, x, y, dw, dh, 0, 0, Width, Height);
}

void TFastBMP::DrawPart(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                        int32_t sy) {
    if (PixelData)
        dc.StretchDIBits(x, y, w, h, sx, TopDownRow(sy, h), w, h, PixelData, DibInfo);
}

void TFastBMP::DrawPartStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw, int32_t dh,
                                 int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    dc.SetStretchBltMode(COLORONCOLOR);
    if (PixelData)
        dc.StretchDIBits(x, y, dw, dh, sx, TopDownRow(sy, sh), sw, sh, PixelData, DibInfo);
}

// The storage's first row is the top one: a part SH rows high whose bottom row is SY (from
// the bottom) starts that many rows from the top.
int32_t TFastBMP::TopDownRow(int32_t sy, int32_t sh) const {
    return int32_t(std::clamp<int64_t>(int64_t(Height) - sy - sh, INT32_MIN, INT32_MAX));
}

void TFastBMP::DrawTiled(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!PixelData || w <= 0 || h <= 0)
        return;
    // Tiles start at the top-left corner of the rectangle, so the picture's top row (the
    // last row here) lands on the rectangle's top row.
    TFastBMP tiles;
    tiles.SetSize(w, h);
    const size_t tileBytes = size_t(std::min(w, Width)) * 3;
    const size_t rowBytes = size_t(w) * 3;
    for (int32_t k = 0; k < h; ++k) {
        uint8_t* row = tiles.RowTable[size_t(h - 1 - k)];
        std::memcpy(row, RowTable[size_t(Height - 1 - k % Height)], tileBytes);
        for (size_t filled = tileBytes; filled < rowBytes; filled *= 2)
            std::memcpy(row + filled, row, std::min(filled, rowBytes - filled));
    }
    tiles.Draw(dc, x, y);
}

void TFastBMP::CopyBlock(TFastRGB& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                         int32_t sy) {
    // 64-bit so that no coordinate the caller passes can overflow the clipping.
    int64_t DX = dx, DY = dy, W = w, H = h, SX = sx, SY = sy;
    if (DX < 0) {
        SX -= DX;
        W += DX;
        DX = 0;
    }
    if (DY < 0) {
        SY -= DY;
        H += DY;
        DY = 0;
    }
    if (SX < 0) {
        DX -= SX;
        W += SX;
        SX = 0;
    }
    if (SY < 0) {
        DY -= SY;
        H += SY;
        SY = 0;
    }
    if (SX > Width - 1 || SY > Height - 1)
        return;
    W = std::min(W, Width - SX);
    H = std::min(H, Height - SY);
    W = std::min(W, dst.Width - DX);
    H = std::min(H, dst.Height - DY);
    if (W <= 0 || H <= 0)
        return;
    const size_t bytes = size_t(W) * 3;
    const auto copyRow = [&](int64_t k) {
        std::memmove(dst.RowTable[size_t(DY + k)] + DX * 3, RowTable[size_t(SY + k)] + SX * 3,
                     bytes);
    };
    // Within one buffer, walk away from the overlap so no row is overwritten before it is read.
    if (&dst == this && DY > SY) {
        for (int64_t k = H - 1; k >= 0; --k)
            copyRow(k);
    } else {
        for (int64_t k = 0; k < H; ++k)
            copyRow(k);
    }
}

void TFastBMP::FillTiled(TFastRGB& dst) {
    if (!PixelData || dst.Width == 0 || dst.Height == 0)
        return;
    CopyBlock(dst, 0, 0, Width, Height, 0, 0);
    for (int32_t w = Width; w < dst.Width; w *= 2)
        dst.CopyBlock(dst, w, 0, w, Height, 0, 0);
    for (int32_t h = Height; h < dst.Height; h *= 2)
        dst.CopyBlock(dst, 0, h, dst.Width, h, 0, 0);
}

void TFastBMP::LoadFromBitmapHandle(const TBitmap& bitmap) {
    SetSize(bitmap.Width(), bitmap.Height());
    if (!PixelData)
        return;
    const TBgrRowConverter converter(bitmap);
    for (int32_t y = 0; y < Height; ++y)
        converter.ConvertRow(y, TopRow(y));
}

void TFastBMP::AssignPixels(const TFastBMP& source) {
    if (&source == this)
        return;
    SetSize(source.Width, source.Height);
    if (PixelData)
        std::memcpy(PixelData, source.PixelData, size_t(ByteSize));
}

int32_t TFastBMP::ColorCount() const {
    if (!PixelData)
        return 0;
    // One bit per 24-bit colour: bit (blue mod 8) of byte red * 8192 + green * 32 + blue / 8.
    // Bits are only set during the pass and counted afterwards, which keeps the loop free of
    // branches that depend on the picture.
    constexpr size_t SetWords = (size_t(1) << 24) / 64;
    std::unique_ptr<uint64_t[]> present(new uint64_t[SetWords]());
    uint8_t* bytes = reinterpret_cast<uint8_t*>(present.get());
    const auto mark = [bytes](uint32_t key) { bytes[key >> 3] |= uint8_t(1u << (key & 7)); };
    const uint8_t* p = PixelData;
    for (int32_t y = 0; y < Height; ++y) {
        // Each pixel but the row's last is read as a word whose low three bytes are the key;
        // the last one's fourth byte may lie past the storage.
        const uint8_t* last = p + size_t(Width - 1) * 3;
        for (; p != last; p += 3) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            mark(word & 0xFFFFFFu);
        }
        mark((uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]);
        p += 3 + RowPadding;
    }
    int32_t count = 0;
    for (size_t i = 0; i < SetWords; ++i)
        count += std::popcount(present[i]);
    return count;
}
