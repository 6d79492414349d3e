#include "platform/PixelAllocator.h"
#include "platform/PictureLimits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr size_t MiB = size_t(1) << 20;

bool AllZero(const uint8_t* data, size_t bytes) {
    return std::all_of(data, data + bytes, [](uint8_t b) { return b == 0; });
}

// Every test starts from an empty pool with its own bounds and leaves the defaults behind.
class PixelAllocator : public ::testing::Test {
protected:
    PixelAllocator() {
        EmptyPixelPool();
        SetPixelPoolLimits({4, 64 * MiB, 60000});
    }
    ~PixelAllocator() override {
        SetPixelPoolLimits({});
        EmptyPixelPool();
        SetPictureMemoryBudget(0);
    }
};

TEST_F(PixelAllocator, LargeBlocksSitOnHugePageBoundariesAndSmallOnesOnTheHeap) {
    struct TCase {
        size_t Bytes;
        size_t Capacity;
    };
    for (const TCase c : {TCase{100, 100}, TCase{MiB - 1, MiB - 1}, TCase{MiB, 2 * MiB},
                          TCase{5 * MiB + 1, 6 * MiB}}) {
        const TPixelBlock block = AllocatePixels(c.Bytes, true);
        ASSERT_NE(block.Data, nullptr);
        EXPECT_EQ(block.Capacity, c.Capacity) << c.Bytes;
        if (c.Bytes >= LargePixelBlock) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block.Data) % HugePageBytes, 0u) << c.Bytes;
        }
        EXPECT_TRUE(AllZero(block.Data, c.Bytes)) << c.Bytes;
        FreePixels(block);
    }
    EXPECT_EQ(AllocatePixels(0, true).Data, nullptr);
}

TEST_F(PixelAllocator, TheNextPictureReusesAFreedBlockZeroedAgain) {
    const TPixelBlock first = AllocatePixels(5 * MiB, true);
    std::memset(first.Data, 0xAB, 5 * MiB);
    FreePixels(first);
    EXPECT_EQ(PixelPoolState().Blocks, 1u);
    EXPECT_EQ(PixelPoolState().Bytes, 6 * MiB);

    // Too small a request would waste the block: it stays pooled.
    const TPixelBlock small = AllocatePixels(MiB, true);
    EXPECT_NE(small.Data, first.Data);
    const TPixelBlock again = AllocatePixels(5 * MiB + 5, true);
    EXPECT_EQ(again.Data, first.Data);
    EXPECT_TRUE(AllZero(again.Data, 5 * MiB + 5));
    EXPECT_EQ(PixelPoolState().Blocks, 0u);
    FreePixels(small);
    FreePixels(again);
}

TEST_F(PixelAllocator, ThePoolKeepsFewBlocksFewBytesAndNothingIdle) {
    SetPixelPoolLimits({2, 8 * MiB, 60000});
    std::vector<TPixelBlock> blocks;
    for (int i = 0; i < 3; ++i)
        blocks.push_back(AllocatePixels(2 * MiB, false));
    blocks.push_back(AllocatePixels(10 * MiB, false));
    for (const TPixelBlock& block : blocks)
        FreePixels(block);
    // The newest two small blocks stay; the large one exceeds the byte bound alone.
    EXPECT_EQ(PixelPoolState().Blocks, 2u);
    EXPECT_EQ(PixelPoolState().Bytes, 4 * MiB);

    SetPixelPoolLimits({2, 8 * MiB, 0});
    EXPECT_EQ(PixelPoolState().Blocks, 0u);
    FreePixels(AllocatePixels(2 * MiB, false));
    EXPECT_EQ(PixelPoolState().Bytes, 0u);
}

TEST_F(PixelAllocator, PooledBlocksStillCountAgainstTheLoadsBudget) {
    SetPictureMemoryBudget(10 * MiB);
    { const TPictureMemory warm(6 * MiB); }
    ASSERT_EQ(PixelPoolState().Blocks, 1u);
    const TPictureLoadScope load;
    TPictureMemory first(6 * MiB);
    EXPECT_EQ(PixelPoolState().Blocks, 0u);
    EXPECT_EQ(TPictureLoadScope::Available(), 4 * MiB);
    first.Reset();
    EXPECT_EQ(PixelPoolState().Blocks, 1u);
    const TPictureMemory second(6 * MiB);
    EXPECT_THROW(TPictureMemory(6 * MiB), EPictureMemory);
    EXPECT_EQ(TPictureLoadScope::Available(), 4 * MiB);
}

// Decoding threads take and give back blocks at once; each keeps what it wrote.
TEST_F(PixelAllocator, ThreadsShareThePoolSafely) {
    std::vector<std::thread> threads;
    std::vector<int> intact(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &intact] {
            for (int round = 0; round < 50; ++round) {
                const size_t bytes = size_t(1 + (t + round) % 3) * MiB;
                const TPixelBlock block = AllocatePixels(bytes, false);
                std::memset(block.Data, t + 1, bytes);
                std::this_thread::yield();
                intact[t] += std::all_of(block.Data, block.Data + bytes,
                                         [t](uint8_t b) { return b == t + 1; });
                FreePixels(block);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(intact, std::vector<int>(4, 50));
    EXPECT_LE(PixelPoolState().Blocks, 4u);
}

} // namespace
