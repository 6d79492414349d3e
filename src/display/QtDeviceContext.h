#pragma once

#include "platform/DeviceContext.h"

class QPainter;

// Draws device-independent bitmaps and regions through a QPainter (the screen, or an image).
// The plain stretch samples the nearest source pixel itself; HALFTONE lets Qt smooth.
class QtDeviceContext : public TDeviceContext {
public:
    explicit QtDeviceContext(QPainter& painter) : Painter(painter) {}

    int SetStretchBltMode(int mode) override;
    void StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                       int32_t sw, int32_t sh, const uint8_t* bits,
                       const TBitmapInfoHeader& info) override;
    void FillRegion(const TRegion& region, TColorRGB color) override;
    // The painter's device, narrowed by its clip when it has one.
    TRect ClipBox() const override;
    bool DrawFilled(int32_t x, int32_t y, int32_t w, int32_t h,
                    const std::function<void(const TBgrxRows&)>& fill) override;

private:
    void DrawThroughQt(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                       int32_t sw, int32_t sh, const uint8_t* bits, const TBitmapInfoHeader& info);
    void DrawNearest(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy,
                     int32_t sw, int32_t sh, const uint8_t* bits, const TBitmapInfoHeader& info);

    QPainter& Painter;
    int StretchMode = COLORONCOLOR;
};
