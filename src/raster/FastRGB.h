#pragma once

#include <cstdint>
#include <vector>

class TDeviceContext;

// The geometry of a 24-bit pixel buffer in the device-independent bitmap layout: blue,
// green, red per pixel; each row padded to a multiple of 4 bytes. Rows lie in storage top
// first, as decoders produce them and the screen shows them; RowTable counts them from the
// bottom (row 0 is the bottom row), which is how the effects address them.
class TFastRGB {
public:
    virtual ~TFastRGB() = default;

    int32_t RowPadding = 0;
    int32_t RowStride = 0;
    int32_t ByteSize = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t*> RowTable; // RowTable[i] = PixelData + (Height - 1 - i) * RowStride
    uint8_t* PixelData = nullptr;

    virtual void SetSize(int32_t w, int32_t h) = 0;
    virtual void Draw(TDeviceContext& dc, int32_t x, int32_t y) = 0;
    virtual void DrawStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw,
                               int32_t dh) = 0;
    virtual void DrawPart(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h,
                          int32_t sx, int32_t sy) = 0;
    virtual void DrawPartStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw, int32_t dh,
                                   int32_t sx, int32_t sy, int32_t sw, int32_t sh) = 0;
    virtual void DrawTiled(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    virtual void ResizeNearest(TFastRGB& dst) = 0;
    virtual void ResizeBilinear(TFastRGB& dst) = 0;
    virtual void CopyBlock(TFastRGB& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                           int32_t sy) = 0;
    virtual void FillTiled(TFastRGB& dst) = 0;
};
