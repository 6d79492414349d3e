#pragma once

#include "platform/DeviceContext.h"
#include "platform/PictureLimits.h"
#include "raster/FastRGB.h"

class TBitmap;

// The pixel buffer every picture of the viewer lives in. Owns its storage, which is exactly
// the DIB that DibInfo describes, so drawing needs no conversion.
class TFastBMP : public TFastRGB {
public:
    TFastBMP();
    ~TFastBMP() override;
    TFastBMP(const TFastBMP&) = delete;
    TFastBMP& operator=(const TFastBMP&) = delete;

    TBitmapInfoHeader DibInfo; // a top-down DIB: its height is -Height

    // A new size is black; FILL Unset leaves the pixels as the storage held them, for a
    // caller that writes every one anyway (the padding is cleared).
    void SetSize(int32_t w, int32_t h) override;
    void SetSize(int32_t w, int32_t h, TPictureMemory::TFill fill);
    // Row Y counted from the top: the storage's row order.
    uint8_t* TopRow(int32_t y) const { return PixelData + size_t(y) * size_t(RowStride); }
    void Draw(TDeviceContext& dc, int32_t x, int32_t y) override;
    void DrawStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw, int32_t dh) override;
    void DrawPart(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                  int32_t sy) override;
    void DrawPartStretched(TDeviceContext& dc, int32_t x, int32_t y, int32_t dw, int32_t dh,
                           int32_t sx, int32_t sy, int32_t sw, int32_t sh) override;
    void DrawTiled(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h) override;
    void ResizeNearest(TFastRGB& dst) override;
    void ResizeBilinear(TFastRGB& dst) override;
    void CopyBlock(TFastRGB& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                   int32_t sy) override;
    void FillTiled(TFastRGB& dst) override;

    // Makes the buffer a 24-bit copy of a platform bitmap of any pixel format (drawn over
    // white, see TBgrRowConverter); the bitmap's top row becomes row Height - 1, the first in
    // storage.
    void LoadFromBitmapHandle(const TBitmap& bitmap);
    void AssignPixels(const TFastBMP& source);
    int32_t ColorCount() const;

private:
    int32_t TopDownRow(int32_t sy, int32_t sh) const;

    TPictureMemory Storage; // at least ByteSize bytes, counted against the load that sized it
};

// Where a part lies in a whole resampled picture: the whole target's size, and the column and
// row (counted from the bottom, as stored) of the part's bottom-left pixel.
struct TResampleWindow {
    int32_t TargetWidth = 0;
    int32_t TargetHeight = 0;
    int32_t Left = 0;
    int32_t Bottom = 0;
};

// Fill Part with exactly the pixels that ResizeNearest / ResizeBilinear into a whole
// TargetWidth x TargetHeight buffer would put where the window places it, at the cost of the
// part alone: a picture zoomed far past the screen is resampled only where it shows. The part
// must lie inside the target.
void ResizeNearestPart(const TFastRGB& source, TFastRGB& part, const TResampleWindow& window);
void ResizeBilinearPart(const TFastRGB& source, TFastRGB& part, const TResampleWindow& window);
// The same bilinear pixels as 32-bit ones, for a source at least two pixels wide whose size
// differs from the target's (the cases that copy or replicate columns are not resampled).
// KERNEL names the vector code: the widest the processor runs, or the SSE2 one every x86-64
// has; both give the same pixels.
enum class TBilinearKernel : uint8_t { Widest, Sse2 };
void ResizeBilinearPart(const TFastRGB& source, const TBgrxRows& part,
                        const TResampleWindow& window,
                        TBilinearKernel kernel = TBilinearKernel::Widest);
