#include "platform/PixelAllocator.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

struct TPooledBlock {
    TPixelBlock Block;
    TClock::time_point FreedAt;
};

struct TPool {
    std::mutex Lock;
    std::vector<TPooledBlock> Blocks; // oldest first
    size_t Bytes = 0;
    TPixelPoolLimits Limits;
};

// Never destroyed: buffers held by static objects are freed after every destructor ran.
TPool& Pool() {
    static TPool* const pool = new TPool;
    return *pool;
}

// The address sanitizer cannot see into mappings of our own: it is told which bytes of a
// block are in use, so that reads past a picture's end or into a pooled block still fail.
void MarkInUse(const TPixelBlock& block, size_t bytes) {
    ASAN_UNPOISON_MEMORY_REGION(block.Data, bytes);
    ASAN_POISON_MEMORY_REGION(block.Data + bytes, block.Capacity - bytes);
}

void Unmap(const TPixelBlock& block) {
    ASAN_UNPOISON_MEMORY_REGION(block.Data, block.Capacity);
    ::munmap(block.Data, block.Capacity);
}

void UnmapAll(const std::vector<TPixelBlock>& blocks) {
    for (const TPixelBlock& block : blocks)
        Unmap(block);
}

// Capacity bytes at a huge-page boundary: a mapping one huge page larger, cut to the boundary.
uint8_t* MapAligned(size_t capacity) {
    const size_t span = capacity + HugePageBytes;
    void* mapped =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + HugePageBytes - 1) & ~uintptr_t(HugePageBytes - 1);
    const size_t head = aligned - start;
    const size_t tail = span - head - capacity;
    if (head > 0)
        ::munmap(mapped, head);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + capacity), tail);
    // Without transparent huge pages the advice fails and the block works all the same.
    ::madvise(reinterpret_cast<void*>(aligned), capacity, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}

// Takes out what has idled too long and what exceeds the bounds, oldest first; the caller
// unmaps it after letting go of the lock.
void TrimLocked(TPool& pool, std::vector<TPixelBlock>& released) {
    const TClock::time_point now = TClock::now();
    const auto idle = std::chrono::milliseconds(pool.Limits.IdleMilliseconds);
    auto& blocks = pool.Blocks;
    size_t keepFrom = 0;
    while (keepFrom < blocks.size() &&
           (now - blocks[keepFrom].FreedAt >= idle ||
            blocks.size() - keepFrom > pool.Limits.Blocks || pool.Bytes > pool.Limits.Bytes)) {
        released.push_back(blocks[keepFrom].Block);
        pool.Bytes -= blocks[keepFrom].Block.Capacity;
        ++keepFrom;
    }
    blocks.erase(blocks.begin(), blocks.begin() + std::ptrdiff_t(keepFrom));
}

// The smallest pooled block that holds CAPACITY without wasting more than as much again.
TPixelBlock TakePooled(size_t capacity) {
    std::vector<TPixelBlock> released;
    TPixelBlock found;
    {
        TPool& pool = Pool();
        const std::lock_guard lock(pool.Lock);
        TrimLocked(pool, released);
        auto best = pool.Blocks.end();
        for (auto it = pool.Blocks.begin(); it != pool.Blocks.end(); ++it) {
            const size_t size = it->Block.Capacity;
            if (size >= capacity && size / 2 <= capacity &&
                (best == pool.Blocks.end() || size < best->Block.Capacity))
                best = it;
        }
        if (best != pool.Blocks.end()) {
            found = best->Block;
            pool.Bytes -= found.Capacity;
            pool.Blocks.erase(best);
        }
    }
    UnmapAll(released);
    return found;
}

TPixelBlock AllocateLarge(size_t bytes, bool zeroed) {
    if (bytes > SIZE_MAX - 2 * HugePageBytes)
        return {};
    const size_t capacity = (bytes + HugePageBytes - 1) & ~(HugePageBytes - 1);
    if (TPixelBlock reused = TakePooled(capacity); reused.Data) {
        MarkInUse(reused, bytes);
        if (zeroed)
            std::memset(reused.Data, 0, bytes);
        return reused;
    }
    // Fresh mappings come zeroed. When the system refuses, idle blocks are given back first.
    uint8_t* data = MapAligned(capacity);
    if (!data) {
        EmptyPixelPool();
        data = MapAligned(capacity);
    }
    if (!data)
        return {};
    const TPixelBlock block{data, capacity};
    MarkInUse(block, bytes);
    return block;
}

} // namespace

TPixelBlock AllocatePixels(size_t bytes, bool zeroed) {
    if (bytes == 0)
        return {};
    if (bytes >= LargePixelBlock)
        return AllocateLarge(bytes, zeroed);
    void* data = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    return data ? TPixelBlock{static_cast<uint8_t*>(data), bytes} : TPixelBlock{};
}

void FreePixels(TPixelBlock block) {
    if (!block.Data)
        return;
    if (block.Capacity < LargePixelBlock) {
        std::free(block.Data);
        return;
    }
    std::vector<TPixelBlock> released;
    {
        TPool& pool = Pool();
        const std::lock_guard lock(pool.Lock);
        if (block.Capacity > pool.Limits.Bytes || pool.Limits.Blocks == 0) {
            released.push_back(block);
        } else {
            ASAN_POISON_MEMORY_REGION(block.Data, block.Capacity);
            pool.Blocks.push_back({block, TClock::now()});
            pool.Bytes += block.Capacity;
        }
        TrimLocked(pool, released);
    }
    UnmapAll(released);
}

void SetPixelPoolLimits(const TPixelPoolLimits& limits) {
    std::vector<TPixelBlock> released;
    {
        TPool& pool = Pool();
        const std::lock_guard lock(pool.Lock);
        pool.Limits = limits;
        TrimLocked(pool, released);
    }
    UnmapAll(released);
}

TPixelPoolLimits PixelPoolLimits() {
    TPool& pool = Pool();
    const std::lock_guard lock(pool.Lock);
    return pool.Limits;
}

TPixelPoolState PixelPoolState() {
    TPool& pool = Pool();
    const std::lock_guard lock(pool.Lock);
    return {pool.Blocks.size(), pool.Bytes};
}

void EmptyPixelPool() {
    std::vector<TPixelBlock> released;
    {
        TPool& pool = Pool();
        const std::lock_guard lock(pool.Lock);
        for (const TPooledBlock& pooled : pool.Blocks)
            released.push_back(pooled.Block);
        pool.Blocks.clear();
        pool.Bytes = 0;
    }
    UnmapAll(released);
}
