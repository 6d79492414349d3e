#pragma once

#include "color/ColorTypes.h"
#include "color/RowContext.h"
#include "platform/Graphics.h"

#include <array>
#include <cstdint>
#include <span>

// Raw palette layouts that MakeColorPalette reads. The planar layouts take three arrays (red,
// green, blue); the quad layouts skip the fourth byte or word of every entry.
enum TPaletteLayout : uint8_t {
    plTriple8 = 0,
    plQuad8 = 1,
    plPlanar8 = 2,
    plPlanarQuad8 = 3,
    plTriple16 = 4,
    plQuad16 = 5,
    plPlanar16 = 6,
    plPlanarQuad16 = 7
};

// Which side of the manager NativePixelFormat describes.
constexpr int SourceSide = 0;
constexpr int TargetSide = 1;

// Turns rows of decoded samples in any supported colour scheme, depth and byte order into rows
// of the bitmap pixel format a reader wants, and builds the palettes for indexed bitmaps.
// Each reader owns one. The row routine is chosen once per settings change.
class TColorManager {
public:
    TColorManager();

    bool NeedsSelection() const { return FNeedsSelection; }

    // Depths of 0 or above 16 raise EColorConversionError and keep the stored value.
    uint8_t SourceBits() const { return FSourceBits; }
    uint8_t TargetBits() const { return FTargetBits; }
    void SetSourceBits(uint32_t bits);
    void SetTargetBits(uint32_t bits);

    // Counts of 0 or above 4 raise EColorConversionError and keep the stored value.
    uint8_t SourceSamples() const { return FSourceSamples; }
    uint8_t TargetSamples() const { return FTargetSamples; }
    void SetSourceSamples(uint32_t samples);
    void SetTargetSamples(uint32_t samples);

    TPixelScheme SourceScheme() const { return FSourceScheme; }
    TPixelScheme TargetScheme() const { return FTargetScheme; }
    void SetSourceScheme(TPixelScheme scheme);
    void SetTargetScheme(TPixelScheme scheme);

    // The routines read the flags on every call, so changing them needs no new selection.
    // cfAlpha is owned by the selection and overwritten there.
    TConversionFlags SourceFlags() const { return FSourceFlags; }
    TConversionFlags TargetFlags() const { return FTargetFlags; }
    void SetSourceFlags(TConversionFlags flags) { FSourceFlags = flags; }
    void SetTargetFlags(TConversionFlags flags) { FTargetFlags = flags; }

    float MainGamma() const { return FMainGamma; }
    float DisplayGamma() const { return FDisplayGamma; }
    const std::array<uint8_t, 256>& GammaTable() const { return FGammaTable; }
    // Values of 0 or below fall back to 1.0 (main) and 2.2 (display); rebuilds GammaTable.
    void SetGammaValues(float mainGamma, float displayGamma);

    // Red, green and blue weights of the luma.
    const std::array<float, 3>& LumaCoefficients() const { return FLumaCoefficients; }
    uint8_t HorizontalSubsampling() const { return FHorizontalSubsampling; }
    uint8_t VerticalSubsampling() const { return FVerticalSubsampling; }
    // Stores up to three weights first, then checks and stores the subsampling (1, 2 or 4,
    // vertical never above horizontal).
    void SetYCbCrSetup(std::span<const float> coefficients, uint32_t horizontal, uint32_t vertical);

    // The bitmap format matching the samples and depth of one side (SourceSide or any other
    // value for the target side).
    TPixelFormat NativePixelFormat(int side) const;

    // A palette from a file's colour table of COUNT entries (at most 256 are used). DATA holds
    // one pointer for the interleaved layouts, three (red, green, blue) for the planar ones;
    // each must reach COUNT entries. 16-bit values are read unaligned. The palette is fitted
    // to the target depth when source and target depths differ.
    TLogPalette MakeColorPalette(std::span<const void* const> data, TPaletteLayout layout,
                                 uint32_t count, bool bgrOrder) const;
    TLogPalette MakeColorPalette(const uint8_t* data, TPaletteLayout layout, uint32_t count,
                                 bool bgrOrder) const;
    // Evenly spaced grays for the target depth; with MINIMUMISWHITE index 0 is white.
    TLogPalette MakeGrayPalette(bool minimumIsWhite) const;

    // Converts COUNT target pixels. SOURCES holds one pointer for interleaved samples or one
    // per sample plane (three, four for CMYK or an alpha plane), in the scheme's own sample
    // order. Only pixels whose bit (7 - i mod 8) is set in MASK are converted, taken one after
    // the other from the sources; the other target pixels are left as they are. Source
    // buffers must hold the selected pixels, the target buffer all COUNT pixels.
    void ConvertPixels(std::span<const void* const> sources, void* target, uint32_t count,
                       uint8_t mask = 0xFF);
    void ConvertPixels(const uint8_t* source, void* target, uint32_t count, uint8_t mask = 0xFF);

    // Chooses the row routine for the current settings; ConvertPixels calls it when needed.
    void SelectConverter();

private:
    static std::array<uint8_t, 256> GammaTableFor(float mainGamma, float displayGamma);
    void BuildGammaTable();
    void BuildChromaTables();
    TRowContext Context() const;

    bool FNeedsSelection = true;
    uint8_t FSourceBits = 8;
    uint8_t FTargetBits = 8;
    uint8_t FSourceSamples = 3;
    uint8_t FTargetSamples = 3;
    float FMainGamma = 1.0f;
    float FDisplayGamma = 2.2f;
    std::array<uint8_t, 256> FGammaTable{};
    std::array<float, 3> FLumaCoefficients{0.299f, 0.587f, 0.114f};
    uint8_t FHorizontalSubsampling = 1;
    uint8_t FVerticalSubsampling = 1;
    TChromaTables FChromaTables;
    TPixelScheme FSourceScheme = psRGB;
    TPixelScheme FTargetScheme = psBGR;
    TRowRoutine FConverter = nullptr;
    TConversionFlags FSourceFlags = 0;
    TConversionFlags FTargetFlags = 0;
};
