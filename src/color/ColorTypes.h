#pragma once

#include <cstdint>

// Colour scheme of the samples of one side. The ordinals are part of the contract: the
// selection and the alpha rule compare them as numbers.
enum TPixelScheme : uint8_t {
    psUnknown = 0,
    psIndexed = 1,
    psGray = 2,
    psGrayAlpha = 3,
    psRGB = 4,
    psRGBA = 5,
    psBGR = 6,
    psBGRA = 7,
    psCMY = 8, // accepted as a setting; nothing converts it
    psCMYK = 9,
    psLab = 10,
    psYCbCr = 11,
    psPhotoYCC = 12
};

// Flags of one side, one bit each.
using TConversionFlags = uint8_t;
// The side carries an alpha sample; set and cleared by the selection only.
constexpr TConversionFlags cfAlpha = 1;
// Target: pass 8-bit colour samples through the gamma table.
constexpr TConversionFlags cfGamma = 2;
// Source: 16-bit samples are stored high byte first.
constexpr TConversionFlags cfSwapBytes = 4;
// Source: CIE L* is stored as 0..255 instead of 0..100.
constexpr TConversionFlags cfLightness255 = 8;
// Source: CIE a* and b* are stored unsigned with 128 added instead of as signed bytes.
constexpr TConversionFlags cfChromaOffset128 = 16;
