#include "color/MatrixShaperConversion.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <lcms2.h>

namespace {

using TMatrix = std::array<std::array<double, 3>, 3>;

// Linear light in units of 1 / 2^14 (sRGB's darkest step is 0.2 of them); a contribution
// lies within 4 of these ones either way, and carries a bias that keeps its field positive,
// so three of them sum without borrowing from the next field.
constexpr int LinearBits = 14;
constexpr double LinearOne = 1 << LinearBits;
constexpr double LargestFactor = 4;
constexpr int64_t Bias = int64_t(LargestFactor * LinearOne);
constexpr int FieldBits = 21;
constexpr uint64_t FieldMask = (uint64_t(1) << FieldBits) - 1;
constexpr size_t SumCount = size_t(6 * Bias + 1); // every sum of three biased contributions

// Columns: the XYZ (D50) of the red, green and blue colorants.
bool ReadColorants(cmsHPROFILE profile, TMatrix& matrix) {
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                     cmsSigBlueColorantTag};
    for (int column = 0; column < 3; ++column) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[column]));
        if (!xyz)
            return false;
        matrix[0][column] = xyz->X;
        matrix[1][column] = xyz->Y;
        matrix[2][column] = xyz->Z;
    }
    return true;
}

bool Invert(const TMatrix& m, TMatrix& inverse) {
    const double determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::fabs(determinant) < 1e-9)
        return false;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            // The signed cofactor of (column, row) over the determinant.
            const int r0 = (column + 1) % 3, r1 = (column + 2) % 3;
            const int c0 = (row + 1) % 3, c1 = (row + 2) % 3;
            inverse[row][column] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / determinant;
        }
    return true;
}

// The file's linear red, green, blue to sRGB's: through the PCS (XYZ, D50) both profiles
// share, as Little CMS joins two matrix-shapers.
bool CombinedMatrix(cmsHPROFILE profile, TMatrix& combined) {
    const cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    TMatrix source, target, inverse;
    const bool read =
        ReadColorants(profile, source) && ReadColorants(srgb, target) && Invert(target, inverse);
    cmsCloseProfile(srgb);
    if (!read)
        return false;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += inverse[row][k] * source[k][column];
            // Real profiles need factors of about 2 at most.
            if (!(std::fabs(sum) <= LargestFactor))
                return false;
            combined[row][column] = sum;
        }
    return true;
}

double EncodeStandardRgb(double linear) {
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

} // namespace

std::unique_ptr<TMatrixShaperConversion> TMatrixShaperConversion::FromProfile(void* handle) {
    const cmsHPROFILE profile = handle;
    TMatrix matrix;
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile) ||
        !CombinedMatrix(profile, matrix))
        return nullptr;
    const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    auto conversion = std::make_unique<TMatrixShaperConversion>();
    for (int channel = 0; channel < 3; ++channel) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[channel]));
        if (!curve)
            return nullptr;
        for (int level = 0; level < 256; ++level) {
            const double linear =
                std::clamp<double>(cmsEvalToneCurveFloat(curve, float(level) / 255), 0, 1);
            uint64_t packed = 0;
            for (int output = 0; output < 3; ++output) {
                const int64_t field =
                    std::llround(matrix[output][channel] * linear * LinearOne) + Bias;
                packed |= uint64_t(field) << (FieldBits * output);
            }
            conversion->Contributions[channel][level] = packed;
        }
    }
    conversion->Encoded.resize(SumCount);
    for (size_t sum = 0; sum < SumCount; ++sum)
        conversion->Encoded[sum] =
            uint8_t(std::lround(255 * EncodeStandardRgb((int64_t(sum) - 3 * Bias) / LinearOne)));
    return conversion;
}

void TMatrixShaperConversion::ConvertBgr(uint8_t* pixels, int32_t width, int32_t height,
                                         int64_t stride) const {
    const uint8_t* encoded = Encoded.data();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* p = pixels + y * stride;
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const uint64_t sums =
                Contributions[0][p[2]] + Contributions[1][p[1]] + Contributions[2][p[0]];
            p[2] = encoded[sums & FieldMask];
            p[1] = encoded[(sums >> FieldBits) & FieldMask];
            p[0] = encoded[sums >> (2 * FieldBits)];
        }
    }
}
