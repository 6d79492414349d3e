#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

// Windows metafiles (16-bit, placeable or plain, and enhanced) played by a player of our
// own onto the canvas. Loading parses the header and checks the record chain; drawing
// plays the records at the picture's natural size.
class TMetafile : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    // Natural sizes beyond this many pixels on a side are scaled down to it.
    static constexpr int32_t MaxNaturalDimension = 8192;

    void LoadFromStream(TStream& stream) override;

    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    bool Enhanced() const { return FEnhanced; }

    void Draw(TBitmap& canvas, int32_t x, int32_t y) const override;

private:
    std::vector<uint8_t> Data;
    bool FEnhanced = false;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};
