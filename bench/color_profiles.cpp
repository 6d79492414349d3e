// A 24-megapixel JPEG whose pixels a Display P3 profile describes: decoding it against
// converting the decoded picture to sRGB. The goal is Conversion below half of Decode.
//   Decode       our JPEG picture class: load from a stream, decode into its bitmap
//   Conversion   the picture's conversion to sRGB through Little CMS, in its pixel buffer
#include "PhotoLikePicture.h"
#include "color/CodingPointsProfile.h"
#include "color/SrgbConversion.h"
#include "formats/JPEGImage.h"
#include "raster/FastBMP.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;
// Display P3 as phones write it: the DCI-P3 primaries with the D65 white and sRGB's curve.
constexpr int DisplayP3Primaries = 12;
constexpr int StandardRgbTransfer = 13;

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
    Convert(state, CodingPointsProfile(DisplayP3Primaries, StandardRgbTransfer));
}

} // namespace

BENCHMARK(Decode)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Conversion)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK_MAIN();
