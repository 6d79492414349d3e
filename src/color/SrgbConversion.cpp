#include "color/SrgbConversion.h"

#include "color/MatrixShaperConversion.h"
#include "platform/MetadataOptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <lcms2.h>

namespace {

// Profiles come from files: Little CMS's complaints about them end in a missing conversion,
// not in messages.
void IgnoreLittleCmsError(cmsContext, cmsUInt32Number, const char*) {}

struct TProfile {
    cmsHPROFILE Handle;
    explicit TProfile(cmsHPROFILE handle) : Handle(handle) {}
    ~TProfile() {
        if (Handle)
            cmsCloseProfile(Handle);
    }
    TProfile(const TProfile&) = delete;
    TProfile& operator=(const TProfile&) = delete;
};

const TProfile& StandardRgbProfile() {
    static const TProfile profile(cmsCreate_sRGBProfile());
    return profile;
}

bool SameColorant(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag) {
    const auto* x = static_cast<const cmsCIEXYZ*>(cmsReadTag(a, tag));
    const auto* y = static_cast<const cmsCIEXYZ*>(cmsReadTag(b, tag));
    constexpr double tolerance = 0.002;
    return x && y && std::fabs(x->X - y->X) < tolerance && std::fabs(x->Y - y->Y) < tolerance &&
           std::fabs(x->Z - y->Z) < tolerance;
}

bool SameCurve(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag) {
    const auto* x = static_cast<const cmsToneCurve*>(cmsReadTag(a, tag));
    const auto* y = static_cast<const cmsToneCurve*>(cmsReadTag(b, tag));
    if (!x || !y)
        return false;
    for (int i = 0; i <= 32; ++i) {
        const float v = float(i) / 32;
        if (std::fabs(cmsEvalToneCurveFloat(x, v) - cmsEvalToneCurveFloat(y, v)) > 0.002f)
            return false;
    }
    return true;
}

// Most photos that carry a profile carry sRGB's own: those need no conversion at all.
bool IsStandardRgb(cmsHPROFILE profile) {
    const cmsHPROFILE srgb = StandardRgbProfile().Handle;
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile))
        return false;
    for (cmsTagSignature tag :
         {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag})
        if (!SameColorant(profile, srgb, tag))
            return false;
    for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag})
        if (!SameCurve(profile, srgb, tag))
            return false;
    return true;
}

// SPACE is the profile's colour space as read, which need not be one LittleCMS names: kept as
// a number, never as its enumeration.
cmsUInt32Number InputFormat(cmsUInt32Number space, TProfiledPixels pixels) {
    switch (pixels) {
    case TProfiledPixels::ppBgr:
        return space == cmsSigRgbData ? TYPE_BGR_8 : space == cmsSigGrayData ? TYPE_GRAY_8 : 0;
    case TProfiledPixels::ppCmyk:
        return space == cmsSigCmykData ? TYPE_CMYK_8 : 0;
    case TProfiledPixels::ppCmykInverted:
        return space == cmsSigCmykData ? TYPE_CMYK_8_REV : 0;
    }
    return 0;
}

std::shared_ptr<const TSrgbConversion> BuildConversion(std::span<const uint8_t> bytes,
                                                       TProfiledPixels pixels) {
    cmsSetLogErrorHandler(IgnoreLittleCmsError);
    const TProfile profile(cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size())));
    if (!profile.Handle || IsStandardRgb(profile.Handle))
        return nullptr;
    const cmsUInt32Number space = cmsGetColorSpace(profile.Handle);
    const cmsUInt32Number format = InputFormat(space, pixels);
    if (format == 0)
        return nullptr;
    const cmsHTRANSFORM transform =
        cmsCreateTransform(profile.Handle, format, StandardRgbProfile().Handle, TYPE_BGR_8,
                           INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (!transform)
        return nullptr;
    return std::make_shared<TSrgbConversion>(
        transform, space == cmsSigGrayData,
        pixels == TProfiledPixels::ppBgr ? TMatrixShaperConversion::FromProfile(profile.Handle)
                                         : nullptr);
}

struct TCachedConversion {
    std::vector<uint8_t> Profile;
    TProfiledPixels Pixels;
    std::shared_ptr<const TSrgbConversion> Conversion; // null: nothing to do
};

// A handful of profiles covers any folder; the least recently used goes first.
constexpr size_t CachedConversions = 8;

} // namespace

TSrgbConversion::TSrgbConversion(void* transform, bool gray,
                                 std::unique_ptr<TMatrixShaperConversion> fast)
    : Transform(transform), Gray(gray), Fast(std::move(fast)) {
    if (!Gray)
        return;
    uint8_t levels[256];
    for (int i = 0; i < 256; ++i)
        levels[i] = uint8_t(i);
    cmsDoTransform(Transform, levels, GrayLookup, 256);
}

TSrgbConversion::~TSrgbConversion() {
    cmsDeleteTransform(Transform);
}

void TSrgbConversion::ConvertBgr(uint8_t* pixels, int32_t width, int32_t height,
                                 int64_t stride) const {
    if (width <= 0 || height <= 0)
        return;
    if (Fast) {
        Fast->ConvertBgr(pixels, width, height, stride);
        return;
    }
    if (!Gray) {
        cmsDoTransformLineStride(Transform, pixels, pixels, cmsUInt32Number(width),
                                 cmsUInt32Number(height), cmsUInt32Number(stride),
                                 cmsUInt32Number(stride), 0, 0);
        return;
    }
    // A gray profile describes gray pixels only; coloured ones it cannot describe stay.
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* p = pixels + y * stride;
        for (int32_t x = 0; x < width; ++x, p += 3)
            if (p[0] == p[1] && p[1] == p[2])
                std::memcpy(p, GrayLookup[p[0]], 3);
    }
}

void TSrgbConversion::ConvertCmyk(const uint8_t* cmyk, uint8_t* bgr, uint32_t count) const {
    cmsDoTransform(Transform, cmyk, bgr, count);
}

std::shared_ptr<const TSrgbConversion> SrgbConversion(std::span<const uint8_t> profile,
                                                      TProfiledPixels pixels) {
    if (profile.empty() || !MetadataOptions().ColorProfiles)
        return nullptr;
    static std::mutex guard;
    static std::vector<TCachedConversion> cache; // most recently used last
    const std::lock_guard lock(guard);
    for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
        if (entry->Pixels != pixels || entry->Profile.size() != profile.size() ||
            std::memcmp(entry->Profile.data(), profile.data(), profile.size()) != 0)
            continue;
        std::rotate(entry, entry + 1, cache.end());
        return cache.back().Conversion;
    }
    if (cache.size() == CachedConversions)
        cache.erase(cache.begin());
    cache.push_back({{profile.begin(), profile.end()}, pixels, BuildConversion(profile, pixels)});
    return cache.back().Conversion;
}
