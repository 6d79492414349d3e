#pragma once

#include <cstddef>
#include <cstdint>

// Where pixel storage comes from. A fresh picture-sized buffer costs more in page faults
// than decoding fills it, so large blocks are 2 MiB-aligned and advised for transparent
// huge pages, and a freed large block waits in a small pool for the next picture (the
// neighbour cache turns over one picture per step). The pool is bounded in blocks and bytes,
// and blocks idle for a few seconds go back to the system at the next call.
// Small blocks are plain heap memory. Safe to use from any thread.

struct TPixelBlock {
    uint8_t* Data = nullptr;
    size_t Capacity = 0; // what the block holds; give exactly this back
};

// Blocks of at least this many bytes are large.
constexpr size_t LargePixelBlock = size_t(1) << 20;
constexpr size_t HugePageBytes = size_t(2) << 20;

// A block of at least BYTES (0 gives an empty block), zero-filled when ZEROED; Data is null
// when the system has no memory.
TPixelBlock AllocatePixels(size_t bytes, bool zeroed);
void FreePixels(TPixelBlock block);

struct TPixelPoolLimits {
    size_t Blocks = 4;
    size_t Bytes = size_t(256) << 20;
    int64_t IdleMilliseconds = 5000; // 0 keeps nothing
};

// Replaces the bounds, trimming the pool to them; for tests and memory-tight settings.
void SetPixelPoolLimits(const TPixelPoolLimits& limits);
TPixelPoolLimits PixelPoolLimits();

struct TPixelPoolState {
    size_t Blocks = 0;
    size_t Bytes = 0;
};
TPixelPoolState PixelPoolState();
// Gives every pooled block back to the system.
void EmptyPixelPool();
