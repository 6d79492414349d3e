#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

// The floor for a reader: its output's bytes copied once into fresh memory, as a reader
// fills a freshly sized bitmap.
inline void CopyIntoFreshMemory(benchmark::State& state, size_t bytes) {
    const std::vector<uint8_t> source(bytes, 7);
    for (auto _ : state) {
        std::vector<uint8_t> target(source.size());
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
    }
}
