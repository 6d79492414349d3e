// Decoding a 24-megapixel 24-bit bitmap file into the 24-bit pixel buffer, the way the viewer
// loads it (file -> platform bitmap -> pixel buffer), beside memcpy of the same bytes: the
// bandwidth floor. Both reuse their storage across iterations, as a viewer stepping through
// same-sized pictures does.
#include "formats/BMPGraphic.h"
#include "platform/Bitmap.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"
#include "raster/FastBMP.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (i * 8)));
}

// A bottom-up 24-bit bitmap file with a gradient, written once per process.
const std::string& PictureFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "pelorama-bench-24mp.bmp";
        const uint32_t rowBytes = uint32_t(DibRowBytes(PictureWidth, 24));
        std::vector<uint8_t> header = {'B', 'M'};
        Put32(header, 54 + rowBytes * PictureHeight);
        Put32(header, 0);
        Put32(header, 54);
        Put32(header, 40);
        Put32(header, PictureWidth);
        Put32(header, PictureHeight);
        header.insert(header.end(), {1, 0, 24, 0});
        for (int i = 0; i < 6; ++i)
            Put32(header, 0);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
        std::vector<uint8_t> row(rowBytes, 0);
        for (int32_t y = 0; y < PictureHeight; ++y) {
            for (int32_t x = 0; x < PictureWidth * 3; ++x)
                row[size_t(x)] = uint8_t(x * 7 + y * 3);
            out.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
        }
        return file.string();
    }();
    return path;
}

void SetPixelCounters(benchmark::State& state, int64_t bytes) {
    const double pixels = double(PictureWidth) * PictureHeight;
    state.counters["MP/s"] =
        benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

void BM_DecodeBitmapFile(benchmark::State& state) {
    const std::string& path = PictureFile();
    TBMPGraphic bitmap;
    TFastBMP buffer;
    auto decode = [&] {
        TFileStream stream(path, TFileMode::fmOpenRead);
        bitmap.LoadFromStream(stream);
        buffer.LoadFromBitmapHandle(bitmap);
    };
    decode(); // the first picture pays for fresh pages; the timed ones reuse them
    for (auto _ : state) {
        decode();
        benchmark::DoNotOptimize(buffer.PixelData);
    }
    SetPixelCounters(state, buffer.ByteSize);
}
BENCHMARK(BM_DecodeBitmapFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The file's bytes read into reused memory: what the kernel's copy alone costs.
void BM_ReadFileBytes(benchmark::State& state) {
    const std::string& path = PictureFile();
    std::vector<uint8_t> target(size_t(std::filesystem::file_size(path)), 0);
    for (auto _ : state) {
        TFileStream stream(path, TFileMode::fmOpenRead);
        stream.ReadBuffer(target.data(), int64_t(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    SetPixelCounters(state, int64_t(target.size()));
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpyPixelBytes(benchmark::State& state) {
    const size_t bytes = size_t(DibRowBytes(PictureWidth, 24)) * PictureHeight;
    std::vector<uint8_t> source(bytes, 1);
    std::vector<uint8_t> target(bytes, 0); // touched, like the reused decode storage
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetPixelCounters(state, int64_t(bytes));
}
BENCHMARK(BM_MemcpyPixelBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
