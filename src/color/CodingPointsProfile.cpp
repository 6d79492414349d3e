#include "color/CodingPointsProfile.h"

#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include <lcms2.h>

namespace {

struct TPrimaries {
    cmsCIExyY White;
    cmsCIExyYTRIPLE Colorants;
};

constexpr cmsCIExyY D65 = {0.3127, 0.3290, 1};

std::optional<TPrimaries> Primaries(int code) {
    switch (code) {
    case 1:
    case 2: // unspecified: what pictures without a profile are
        return TPrimaries{D65, {{0.640, 0.330, 1}, {0.300, 0.600, 1}, {0.150, 0.060, 1}}};
    case 5:
        return TPrimaries{D65, {{0.640, 0.330, 1}, {0.290, 0.600, 1}, {0.150, 0.060, 1}}};
    case 6:
    case 7:
        return TPrimaries{D65, {{0.630, 0.340, 1}, {0.310, 0.595, 1}, {0.155, 0.070, 1}}};
    case 9:
        return TPrimaries{D65, {{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}};
    case 11:
        return TPrimaries{{0.314, 0.351, 1},
                          {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}};
    case 12:
        return TPrimaries{D65, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}};
    default:
        return std::nullopt;
    }
}

// The curves sRGB displays show: BT.709-coded video is taken as sRGB too, as browsers do.
bool IsStandardCurve(int code) {
    return code == 1 || code == 2 || code == 6 || code == 13 || code == 14 || code == 15;
}

cmsToneCurve* Curve(int code) {
    const cmsFloat64Number srgb[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    switch (code) {
    case 4:
        return cmsBuildGamma(nullptr, 2.2);
    case 5:
        return cmsBuildGamma(nullptr, 2.8);
    case 8:
        return cmsBuildGamma(nullptr, 1.0);
    default:
        return IsStandardCurve(code) ? cmsBuildParametricToneCurve(nullptr, 4, srgb) : nullptr;
    }
}

std::vector<uint8_t> BuildProfile(int primaries, int transfer) {
    const std::optional<TPrimaries> chosen = Primaries(primaries);
    if (!chosen || ((primaries == 1 || primaries == 2) && IsStandardCurve(transfer)))
        return {};
    cmsToneCurve* curve = Curve(transfer);
    if (!curve)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const cmsHPROFILE profile = cmsCreateRGBProfile(&chosen->White, &chosen->Colorants, curves);
    cmsFreeToneCurve(curve);
    std::vector<uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

} // namespace

std::vector<uint8_t> CodingPointsProfile(int primaries, int transfer) {
    static std::mutex guard;
    static std::map<std::pair<int, int>, std::vector<uint8_t>> made;
    const std::lock_guard lock(guard);
    const auto key = std::make_pair(primaries, transfer);
    if (const auto known = made.find(key); known != made.end())
        return known->second;
    return made[key] = BuildProfile(primaries, transfer);
}
