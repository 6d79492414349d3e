#pragma once

#include "platform/Exceptions.h"
#include "platform/PixelAllocator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// The gates every picture load passes before it takes memory.
//
// 1. Sizes: MayAllocatePicture refuses sizes that are not positive, too large in one
//    dimension, or more pixels than the machine can hold.
// 2. Memory: one budget per picture load bounds the bytes the load holds at once. A load
//    is a TPictureLoadScope; every large buffer made while it lives (bitmap storage, strip
//    and plane buffers, decoder scratch) is a TPictureMemory, and memory a library takes
//    for the load is announced with a TPictureCharge. Both count against the budget while
//    they live and raise EPictureMemory, before anything is allocated, when they would
//    exceed it. Outside a load each buffer on its own must fit the budget.
//
// Loads run on one thread each; the accounting is per thread and takes no lock. The limits
// and the budget are shared by every thread that loads.

constexpr int64_t MaxPictureDimension = int64_t(1) << 20;

// Largest pixel count a picture may have; fuzzers lower it to keep allocations small.
int64_t PicturePixelLimit();
void SetPicturePixelLimit(int64_t pixels);

bool MayAllocatePicture(int64_t width, int64_t height);

// Bytes of one row of a bottom-up or top-down device-independent bitmap: rounded up to a
// multiple of 4. Callers have passed MayAllocatePicture, so this cannot overflow.
inline int64_t DibRowBytes(int64_t width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// The budget of one picture load in bytes: the smaller of 2 GiB and half the physical
// memory, unless set (the settings file can).
int64_t DefaultPictureMemoryBudget();
int64_t PictureMemoryBudget();
// A value of 0 or less restores the default.
void SetPictureMemoryBudget(int64_t bytes);

// A load that would take more than the budget, or memory the system does not have.
class EPictureMemory : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
    // The refusal of a load over the budget, which says so with the budget in MiB.
    static EPictureMemory OverBudget();
};

// One picture load on this thread, from construction to destruction. A scope made while
// another lives joins it: a picture inside a picture shares its budget.
class TPictureLoadScope {
public:
    TPictureLoadScope();
    ~TPictureLoadScope();
    TPictureLoadScope(const TPictureLoadScope&) = delete;
    TPictureLoadScope& operator=(const TPictureLoadScope&) = delete;

    // Bytes the current load may still take (the whole budget outside a load): what to
    // grant a library that takes a memory limit, such as libjpeg's max_memory_to_use.
    static int64_t Available();
    // The most the current load has held at once so far; 0 outside a load.
    static int64_t Peak();
};

// Counts BYTES against the current load for as long as it lives. Raises EPictureMemory
// when they do not fit. Releasing after the load has ended is harmless.
class TPictureCharge {
public:
    TPictureCharge() = default;
    explicit TPictureCharge(int64_t bytes);
    ~TPictureCharge() { Release(); }
    TPictureCharge(TPictureCharge&& other) noexcept;
    TPictureCharge& operator=(TPictureCharge&& other) noexcept;

    int64_t Bytes() const { return FBytes; }
    void Release();

private:
    int64_t FBytes = 0;
    uint64_t FLoad = 0; // the load counted against; 0 for none
};

// Storage counted against the current load: the one way a load takes a large buffer. It
// comes from the pixel allocator (huge-page blocks, reused across pictures) and is
// zero-filled unless the caller overwrites all of it anyway. Raises EPictureMemory above the
// budget, before anything is allocated, and also when the system has no memory.
class TPictureMemory {
public:
    enum class TFill { Zeros, Unset };

    TPictureMemory() = default;
    explicit TPictureMemory(size_t bytes, TFill fill = TFill::Zeros);
    ~TPictureMemory() { Reset(); }
    TPictureMemory(TPictureMemory&& other) noexcept;
    TPictureMemory& operator=(TPictureMemory&& other) noexcept;

    uint8_t* Data() const { return FBlock.Data; }
    size_t Size() const { return size_t(FCharge.Bytes()); }
    void Reset();

private:
    TPictureCharge FCharge;
    TPixelBlock FBlock;
};
