// A 24-megapixel JPEG, baseline and progressive, decoded three ways in one binary:
//   Libjpeg      libjpeg-turbo straight into one blue-green-red buffer (the library's own cost)
//   JPEGImage    our picture class: load from a stream, decode into its bitmap
//   ViewerPath   as the viewer loads it from a file into a new pixel buffer (LoadPictureBuffer)
// The goal is JPEGImage within 10 % of Libjpeg.
#include "LibjpegBgr.h"
#include "PhotoLikePicture.h"
#include "formats/FileFormatList.h"
#include "formats/JPEGImage.h"
#include "platform/PictureLimits.h"
#include "raster/LoadedPicture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;

const std::vector<uint8_t>& Encoded(bool progressive) {
    static std::vector<uint8_t> files[2];
    std::vector<uint8_t>& file = files[progressive];
    if (file.empty()) {
        TJPEGImage image;
        image.Assign(MakePhotoLikeBitmap(PictureWidth, PictureHeight));
        image.ProgressiveEncoding = progressive;
        TMemoryStream stream;
        image.SaveToStream(stream);
        file = stream.Memory();
    }
    return file;
}

void Libjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = Encoded(state.range(0) != 0);
    for (auto _ : state) {
        // A new buffer, as every load of a picture must.
        uint8_t* pixels = nullptr;
        LibjpegDecodeBgr(file, true, [&](size_t bytes) {
            return pixels = static_cast<uint8_t*>(std::malloc(bytes));
        });
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
    state.counters["MB"] = double(file.size()) / 1e6;
}

void JPEGImage(benchmark::State& state) {
    const std::vector<uint8_t>& file = Encoded(state.range(0) != 0);
    TMemoryStream stream(file.data(), file.size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TJPEGImage image;
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Bitmap().ScanLine(0));
    }
}

// The file written once where the viewer's load can read it.
std::string EncodedFile(bool progressive) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        (progressive ? "pelorama-bench-progressive.jpg" : "pelorama-bench-baseline.jpg");
    const std::vector<uint8_t>& file = Encoded(progressive);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return path.string();
}

void ViewerPath(benchmark::State& state) {
    RegisterFileFormats(nullptr);
    const std::string path = EncodedFile(state.range(0) != 0);
    for (auto _ : state) {
        const TPictureLoadScope load;
        TFastBMP buffer;
        LoadPictureBuffer(path, buffer);
        benchmark::DoNotOptimize(buffer.PixelData);
    }
    std::filesystem::remove(path);
    UnregisterFileFormats();
}

} // namespace

// Argument 0: baseline, 1: progressive. Interleaved so that machine load hits all alike.
BENCHMARK(Libjpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(JPEGImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(ViewerPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK_MAIN();
