#include "color/ColorManager.h"

#include "color/CmykConversion.h"
#include "color/ColorArithmetic.h"
#include "color/GrayConversion.h"
#include "color/IndexConversion.h"
#include "color/LabConversion.h"
#include "color/RgbConversion.h"
#include "color/YCbCrConversion.h"
#include "platform/Exceptions.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const InvalidDepthText =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const char* const InvalidSampleCountText =
    "Sample count per pixel does not correspond to the given color scheme.";
const char* const InvalidSubsamplingText = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
const char* const SubsamplingOrderText =
    "Vertical subsampling value must be <= horizontal subsampling value.";
const char* const IndexedMismatchText =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
const char* const NoMethodText = "Color conversion failed. Could not find a proper method.";

template <typename T>
void StoreSetting(T& field, T value, bool& needsSelection) {
    if (field != value) {
        field = value;
        needsSelection = true;
    }
}

uint8_t CheckedDepth(uint32_t bits) {
    if (bits == 0 || bits > 16)
        throw EColorConversionError(InvalidDepthText);
    return static_cast<uint8_t>(bits);
}

uint8_t CheckedSampleCount(uint32_t samples) {
    if (samples == 0 || samples > 4)
        throw EColorConversionError(InvalidSampleCountText);
    return static_cast<uint8_t>(samples);
}

bool IsSubsampling(uint32_t value) {
    return value == 1 || value == 2 || value == 4;
}

bool HasAlphaSample(TPixelScheme scheme) {
    return scheme == psGrayAlpha || scheme == psRGBA || scheme == psBGRA;
}

// Schemes whose routines read three or four samples a pixel.
bool IsColourScheme(TPixelScheme scheme) {
    return scheme >= psRGB && scheme <= psPhotoYCC;
}

bool IsRgbOrder(TPixelScheme scheme) {
    return scheme == psRGB || scheme == psRGBA;
}

bool IsBgrOrder(TPixelScheme scheme) {
    return scheme == psBGR || scheme == psBGRA;
}

// Routine for a colour source whose target must be RGB or BGR ordered.
TRowRoutine ByTargetOrder(TPixelScheme target, TRowRoutine toRgb, TRowRoutine toBgr) {
    if (IsRgbOrder(target))
        return toRgb;
    if (IsBgrOrder(target))
        return toBgr;
    return nullptr;
}

TRowRoutine IndexRoutine(uint8_t sourceBits, uint8_t targetBits) {
    const bool sourceWide = sourceBits == 16;
    const bool targetWide = targetBits == 16;
    if (sourceWide && targetWide)
        return ConvertIndex16To16;
    if (sourceWide)
        return ConvertIndexFrom16;
    if (targetWide)
        return ConvertIndexTo16;
    return ConvertIndexDepth;
}

TRowRoutine GrayRoutine(uint8_t sourceBits, uint8_t targetBits) {
    if (sourceBits != 16 && targetBits != 16)
        return ConvertIndexDepth;
    if (sourceBits >= 8 && targetBits >= 8)
        return ConvertGrayCopy;
    return nullptr;
}

bool IsSampleDepth(uint8_t bits) {
    return bits == 8 || bits == 16;
}

} // namespace

TColorManager::TColorManager() {
    BuildGammaTable();
}

void TColorManager::SetSourceBits(uint32_t bits) {
    StoreSetting(FSourceBits, CheckedDepth(bits), FNeedsSelection);
}

void TColorManager::SetTargetBits(uint32_t bits) {
    StoreSetting(FTargetBits, CheckedDepth(bits), FNeedsSelection);
}

void TColorManager::SetSourceSamples(uint32_t samples) {
    StoreSetting(FSourceSamples, CheckedSampleCount(samples), FNeedsSelection);
}

void TColorManager::SetTargetSamples(uint32_t samples) {
    StoreSetting(FTargetSamples, CheckedSampleCount(samples), FNeedsSelection);
}

void TColorManager::SetSourceScheme(TPixelScheme scheme) {
    StoreSetting(FSourceScheme, scheme, FNeedsSelection);
}

void TColorManager::SetTargetScheme(TPixelScheme scheme) {
    StoreSetting(FTargetScheme, scheme, FNeedsSelection);
}

void TColorManager::SetGammaValues(float mainGamma, float displayGamma) {
    FMainGamma = mainGamma > 0 ? mainGamma : 1.0f;
    FDisplayGamma = displayGamma > 0 ? displayGamma : 2.2f;
    BuildGammaTable();
}

// Every lookup in the table is by an 8-bit colour value and yields one, whatever the depths
// of the picture, so the table always spans 0..255 on both sides.
std::array<uint8_t, 256> TColorManager::GammaTableFor(float mainGamma, float displayGamma) {
    std::array<uint8_t, 256> table;
    const long double exponent = 1.0L / (static_cast<long double>(mainGamma) * displayGamma);
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = static_cast<uint8_t>(Round(std::pow(i / 255.0L, exponent) * 255));
    return table;
}

void TColorManager::BuildGammaTable() {
    // Every manager is created with the default gammas: their table is computed once.
    static const std::array<uint8_t, 256> defaultTable = GammaTableFor(1.0f, 2.2f);
    FGammaTable = FMainGamma == 1.0f && FDisplayGamma == 2.2f
                      ? defaultTable
                      : GammaTableFor(FMainGamma, FDisplayGamma);
}

void TColorManager::SetYCbCrSetup(std::span<const float> coefficients, uint32_t horizontal,
                                  uint32_t vertical) {
    for (size_t k = 0; k < coefficients.size() && k < FLumaCoefficients.size(); ++k)
        FLumaCoefficients[k] = coefficients[k];
    if (!IsSubsampling(horizontal) || !IsSubsampling(vertical))
        throw EColorConversionError(InvalidSubsamplingText);
    if (horizontal < vertical)
        throw EColorConversionError(SubsamplingOrderText);
    FHorizontalSubsampling = static_cast<uint8_t>(horizontal);
    FVerticalSubsampling = static_cast<uint8_t>(vertical);
}

TPixelFormat TColorManager::NativePixelFormat(int side) const {
    const uint8_t samples = side == SourceSide ? FSourceSamples : FTargetSamples;
    const uint8_t bits = side == SourceSide ? FSourceBits : FTargetBits;
    switch (samples) {
    case 1:
        if (bits == 1)
            return TPixelFormat::pf1bit;
        if (bits >= 2 && bits <= 4)
            return TPixelFormat::pf4bit;
        if (bits >= 8)
            return TPixelFormat::pf8bit;
        return TPixelFormat::pfCustom;
    case 3:
        return bits <= 5 ? TPixelFormat::pf15bit : TPixelFormat::pf24bit;
    case 4:
        return bits >= 8 ? TPixelFormat::pf32bit : TPixelFormat::pfCustom;
    default:
        return TPixelFormat::pfCustom;
    }
}

namespace {

// The weights come from files: a green weight of 0 or a huge one must not overflow a table.
// Any contribution beyond 65536 clamps the pixel the same way.
int32_t ChromaContribution(long double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(Round(std::clamp(value, -65536.0L, 65536.0L)));
}

} // namespace

void TColorManager::BuildChromaTables() {
    const long double kr = FLumaCoefficients[0];
    const long double kg = FLumaCoefficients[1];
    const long double kb = FLumaCoefficients[2];
    const long double fr = static_cast<float>(2 - 2 * kr);
    const long double fb = static_cast<float>(2 - 2 * kb);
    const long double gr = kr * fr / kg;
    const long double gb = kb * fb / kg;
    const bool photo = FSourceScheme == psPhotoYCC;
    FChromaTables.CrToRed.assign(256, 0);
    FChromaTables.CbToBlue.assign(256, 0);
    FChromaTables.CrToGreen.assign(256, 0);
    FChromaTables.CbToGreen.assign(256, 0);
    for (int i = 0; i < 256; ++i) {
        const int dCr = photo ? i - 137 : i - 128;
        const int dCb = photo ? i - 156 : i - 128;
        FChromaTables.CrToRed[i] = ChromaContribution(fr * dCr);
        FChromaTables.CbToBlue[i] = ChromaContribution(fb * dCb);
        FChromaTables.CrToGreen[i] = -ChromaContribution(gr * dCr);
        FChromaTables.CbToGreen[i] = -ChromaContribution(gb * dCb);
    }
}

void TColorManager::SelectConverter() {
    FConverter = nullptr;
    const bool sourceIndexed =
        FSourceScheme == psIndexed || FSourceScheme == psGray || FSourceScheme == psGrayAlpha;
    const bool targetIndexed = FTargetScheme == psIndexed || FTargetScheme == psGray;
    if (sourceIndexed != targetIndexed)
        throw EColorConversionError(IndexedMismatchText);
    FSourceFlags =
        HasAlphaSample(FSourceScheme) ? (FSourceFlags | cfAlpha) : (FSourceFlags & ~cfAlpha);
    FTargetFlags =
        HasAlphaSample(FTargetScheme) ? (FTargetFlags | cfAlpha) : (FTargetFlags & ~cfAlpha);
    // A colour source declared with one or two samples a pixel has rows too short for the
    // three or four samples its routine reads.
    if (IsColourScheme(FSourceScheme) && FSourceSamples < 3) {
        FNeedsSelection = false;
        return;
    }
    switch (FSourceScheme) {
    case psIndexed:
        FConverter = IndexRoutine(FSourceBits, FTargetBits);
        break;
    case psGray:
        FConverter = GrayRoutine(FSourceBits, FTargetBits);
        break;
    case psGrayAlpha:
        if (IsSampleDepth(FSourceBits) && IsSampleDepth(FTargetBits))
            FConverter = ConvertGrayCopy;
        break;
    case psRGB:
    case psRGBA:
        FConverter = ByTargetOrder(FTargetScheme, ConvertRgb<false>, ConvertRgb<true>);
        break;
    case psBGR:
    case psBGRA:
        FConverter = ByTargetOrder(FTargetScheme, ConvertRgb<true>, ConvertRgb<false>);
        break;
    case psCMYK:
        FConverter = ByTargetOrder(FTargetScheme, ConvertCmyk<false>, ConvertCmyk<true>);
        break;
    case psLab:
        FConverter = ByTargetOrder(FTargetScheme, ConvertLab<false>, ConvertLab<true>);
        break;
    case psYCbCr:
    case psPhotoYCC:
        FConverter = ByTargetOrder(FTargetScheme, ConvertYCbCr<false>, ConvertYCbCr<true>);
        if (FConverter)
            BuildChromaTables();
        break;
    default:
        break;
    }
    FNeedsSelection = false;
}

TRowContext TColorManager::Context() const {
    return {FSourceBits,  FTargetBits,        FSourceFlags,
            FTargetFlags, FGammaTable.data(), &FChromaTables};
}

void TColorManager::ConvertPixels(std::span<const void* const> sources, void* target,
                                  uint32_t count, uint8_t mask) {
    if (FNeedsSelection)
        SelectConverter();
    if (!FConverter || sources.empty())
        throw EColorConversionError(NoMethodText);
    if (count == 0)
        return;
    FConverter(Context(), sources, static_cast<uint8_t*>(target), count, mask);
}

void TColorManager::ConvertPixels(const uint8_t* source, void* target, uint32_t count,
                                  uint8_t mask) {
    const void* const sources[] = {source};
    ConvertPixels(std::span<const void* const>(sources), target, count, mask);
}
