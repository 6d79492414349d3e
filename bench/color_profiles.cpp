// A 24-megapixel JPEG whose pixels a Display P3 profile describes: decoding it against
// converting the decoded picture to sRGB. The goal is Conversion below half of Decode.
//   Decode       our JPEG picture class: load from a stream, decode into its bitmap
//   Conversion   the picture's conversion to sRGB through Little CMS, in its pixel buffer
//   SrgbProfile  the same picture with sRGB's own profile: found to need no conversion
#include "PhotoLikePicture.h"
#include "color/SrgbConversion.h"
#include "formats/JPEGImage.h"
#include "raster/FastBMP.h"

#include <benchmark/benchmark.h>

#include <lcms2.h>

#include <vector>

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;

std::vector<uint8_t> SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Display P3: the DCI-P3 primaries with the D65 white and sRGB's curve, as phones write it.
const std::vector<uint8_t>& DisplayP3() {
    static const std::vector<uint8_t> profile = [] {
        cmsCIExyY white;
        cmsWhitePointFromTemp(&white, 6504);
        const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
        const cmsFloat64Number parameters[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
        cmsToneCurve* curves[3] = {curve, curve, curve};
        std::vector<uint8_t> bytes = SavedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
        cmsFreeToneCurve(curve);
        return bytes;
    }();
    return profile;
}

const std::vector<uint8_t>& Encoded() {
    static const std::vector<uint8_t> file = [] {
        TJPEGImage image;
        image.Assign(MakePhotoLikeBitmap(PictureWidth, PictureHeight));
        TMemoryStream stream;
        image.SaveToStream(stream);
        return stream.Memory();
    }();
    return file;
}

void Decode(benchmark::State& state) {
    TMemoryStream stream(Encoded().data(), Encoded().size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TJPEGImage image;
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Bitmap().ScanLine(0));
    }
}

void Convert(benchmark::State& state, const std::vector<uint8_t>& profile) {
    TMemoryStream stream(Encoded().data(), Encoded().size());
    TJPEGImage image;
    image.LoadFromStream(stream);
    TFastBMP decoded, buffer;
    decoded.LoadFromBitmapHandle(image.Bitmap());
    for (auto _ : state) {
        state.PauseTiming(); // every round converts the picture as decoded
        buffer.AssignPixels(decoded);
        state.ResumeTiming();
        if (const auto conversion = SrgbConversion(profile, TProfiledPixels::ppBgr))
            conversion->ConvertBgr(buffer.PixelData, buffer.Width, buffer.Height, buffer.RowStride);
        benchmark::DoNotOptimize(buffer.PixelData);
    }
}

void Conversion(benchmark::State& state) {
    Convert(state, DisplayP3());
}

void SrgbProfile(benchmark::State& state) {
    Convert(state, SavedProfile(cmsCreate_sRGBProfile()));
}

} // namespace

BENCHMARK(Decode)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Conversion)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(SrgbProfile)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK_MAIN();
