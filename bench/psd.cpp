// The Photoshop reader on a 24-megapixel RGB document, uncompressed and PackBits, decoded
// from memory, beside a plain copy of the same pixel bytes.
#include "CopyFloor.h"
#include "formats/PSDGraphic.h"
#include "platform/Streams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

constexpr uint32_t Width = 6000;
constexpr uint32_t Height = 4000;
constexpr double Megapixels = double(Width) * Height / 1e6;

// Smooth gradients with some noise and flat stretches: PackBits finds runs in part of each
// row and literals in the rest, as in a photograph with flat areas.
uint8_t Sample(uint32_t x, uint32_t y, uint32_t channel) {
    const uint32_t noise = (x * 2654435761u ^ y * 40503u) >> 29;
    return uint8_t((x / 3 + y / 2 + channel * 85) + ((x / 16) % 3 == 0 ? 0 : noise));
}

void Put16(TBytes& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put32(TBytes& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

// Runs of 3 to 128 equal bytes as 257 - length and the byte; the rest as literal runs of up
// to 128 bytes after their length - 1.
void PackRow(const uint8_t* row, size_t length, TBytes& out) {
    size_t literalStart = 0;
    auto flush = [&](size_t end) {
        while (literalStart < end) {
            const size_t n = std::min<size_t>(128, end - literalStart);
            out.push_back(uint8_t(n - 1));
            out.insert(out.end(), row + literalStart, row + literalStart + n);
            literalStart += n;
        }
    };
    for (size_t i = 0; i < length;) {
        size_t run = 1;
        while (i + run < length && run < 128 && row[i + run] == row[i])
            ++run;
        if (run < 3) {
            i += run;
            continue;
        }
        flush(i);
        out.push_back(uint8_t(257 - run));
        out.push_back(row[i]);
        i += run;
        literalStart = i;
    }
    flush(length);
}

TBytes Document(bool packBits) {
    TBytes out = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    Put16(out, 3);
    Put32(out, Height);
    Put32(out, Width);
    Put16(out, 8);
    Put16(out, 3); // RGB
    Put32(out, 0); // colour mode data, image resources, layers
    Put32(out, 0);
    Put32(out, 0);
    Put16(out, packBits ? 1 : 0);
    TBytes row(Width), counts, data;
    for (uint32_t channel = 0; channel < 3; ++channel)
        for (uint32_t y = 0; y < Height; ++y) {
            for (uint32_t x = 0; x < Width; ++x)
                row[x] = Sample(x, y, channel);
            if (!packBits) {
                data.insert(data.end(), row.begin(), row.end());
                continue;
            }
            const size_t before = data.size();
            PackRow(row.data(), row.size(), data);
            Put16(counts, uint32_t(data.size() - before));
        }
    out.insert(out.end(), counts.begin(), counts.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void Decode(benchmark::State& state, const TBytes& file) {
    // The stream holds its own copy of the file: made once, so only the reader is timed.
    TMemoryStream stream(file.data(), file.size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TPSDGraphic picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    state.counters["MP/s"] =
        benchmark::Counter(Megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PsdUncompressed(benchmark::State& state) {
    static const TBytes file = Document(false);
    Decode(state, file);
}

void BM_PsdPackBits(benchmark::State& state) {
    static const TBytes file = Document(true);
    state.counters["ratio"] = double(file.size()) / (double(Width) * Height * 3);
    Decode(state, file);
}

// The floor: the picture's 24-bit pixel bytes copied once into fresh memory.
void BM_Memcpy24(benchmark::State& state) {
    CopyIntoFreshMemory(state, size_t(Width) * Height * 3);
    state.counters["MP/s"] =
        benchmark::Counter(Megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_PsdUncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PsdPackBits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
