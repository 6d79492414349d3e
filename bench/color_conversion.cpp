// Row conversion speed: one 6000-pixel row converted 4000 times per case, in megapixels per
// second, beside memcpy of the same source bytes.
#include "color/ColorManager.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr uint32_t RowPixels = 6000;
constexpr int Rows = 4000;

struct TCase {
    const char* Name;
    TPixelScheme SourceScheme;
    uint32_t SourceBits;
    TConversionFlags SourceFlags;
    TPixelScheme TargetScheme;
    uint32_t TargetBits;
    uint32_t SourceBytes; // of one row, only the pixels the mask selects
    uint32_t TargetBytes;
    uint8_t Mask;
};

const TCase Cases[] = {
    {"RGB8_to_BGR8", psRGB, 8, 0, psBGR, 8, RowPixels * 3, RowPixels * 3, 0xFF},
    {"RGB16swapped_to_BGR8", psRGB, 16, cfSwapBytes, psBGR, 8, RowPixels * 6, RowPixels * 3, 0xFF},
    {"RGBA8_to_BGRA8", psRGBA, 8, 0, psBGRA, 8, RowPixels * 4, RowPixels * 4, 0xFF},
    {"CMYK8_to_BGR8", psCMYK, 8, 0, psBGR, 8, RowPixels * 4, RowPixels * 3, 0xFF},
    {"YCbCr8_to_BGR8", psYCbCr, 8, 0, psBGR, 8, RowPixels * 3, RowPixels * 3, 0xFF},
    {"Lab8_to_BGR8", psLab, 8, 0, psBGR, 8, RowPixels * 3, RowPixels * 3, 0xFF},
    {"Index4_mask_AA", psIndexed, 4, 0, psIndexed, 4, RowPixels / 4, RowPixels / 2, 0xAA},
};

std::vector<uint8_t> RandomBytes(size_t size) {
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = uint8_t(random());
    return bytes;
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(
        double(RowPixels) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void Convert(benchmark::State& state, const TCase& c) {
    TColorManager manager;
    manager.SetSourceScheme(c.SourceScheme);
    manager.SetSourceBits(c.SourceBits);
    manager.SetSourceFlags(c.SourceFlags);
    manager.SetTargetScheme(c.TargetScheme);
    manager.SetTargetBits(c.TargetBits);
    const std::vector<uint8_t> source = RandomBytes(c.SourceBytes);
    std::vector<uint8_t> target(c.TargetBytes);
    for (auto _ : state) {
        manager.ConvertPixels(source.data(), target.data(), RowPixels, c.Mask);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

void Memcpy(benchmark::State& state, const TCase& c) {
    const std::vector<uint8_t> source = RandomBytes(c.SourceBytes);
    std::vector<uint8_t> target(c.SourceBytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

const int Registered = [] {
    for (const TCase& c : Cases) {
        benchmark::RegisterBenchmark((std::string(c.Name) + "/convert").c_str(), Convert, c)
            ->Iterations(Rows);
        benchmark::RegisterBenchmark((std::string(c.Name) + "/memcpy").c_str(), Memcpy, c)
            ->Iterations(Rows);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
