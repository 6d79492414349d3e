#include "formats/ByteOrder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ByteOrder, SwapShortsReversesEachPairOnly) {
    std::vector<uint8_t> bytes = {0x12, 0x34, 0xAB, 0xCD, 0x99};
    SwapShorts(bytes.data(), 2);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x34, 0x12, 0xCD, 0xAB, 0x99}));
}

TEST(ByteOrder, SwapLongsReversesEachQuadOnly) {
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    SwapLongs(bytes.data() + 1, 1); // unaligned start
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 5, 4, 3, 2, 6, 7, 8, 9}));
    SwapLongs(bytes.data(), 0);
    EXPECT_EQ(bytes[0], 1);
}

TEST(ByteOrder, SwapLongReadsBigEndianFields) {
    EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
    EXPECT_EQ(SwapLong(SwapLong(0xDEADBEEFu)), 0xDEADBEEFu);
}

struct TDifferencingCase {
    void (*Undo)(uint8_t*, size_t);
    size_t Count;
    std::vector<uint8_t> Input;
    std::vector<uint8_t> Expected;
};

class UndoDifferencing : public ::testing::TestWithParam<TDifferencingCase> {};

TEST_P(UndoDifferencing, AddsThePixelBeforeModulo256) {
    std::vector<uint8_t> row = GetParam().Input;
    GetParam().Undo(row.data(), GetParam().Count);
    EXPECT_EQ(row, GetParam().Expected);
}

// Sums worked out by hand; the last byte of each input lies past Count pixels and must stay.
INSTANTIATE_TEST_SUITE_P(
    PixelSizes, UndoDifferencing,
    ::testing::Values(
        TDifferencingCase{UndoDifferencing1, 3, {10, 5, 250, 10, 77}, {10, 15, 9, 19, 77}},
        TDifferencingCase{
            UndoDifferencing3, 2, {1, 2, 3, 1, 1, 255, 2, 2, 2, 9}, {1, 2, 3, 2, 3, 2, 4, 5, 4, 9}},
        TDifferencingCase{UndoDifferencing4,
                          1,
                          {100, 0, 200, 1, 100, 1, 100, 255, 9},
                          {100, 0, 200, 1, 200, 1, 44, 0, 9}},
        TDifferencingCase{UndoDifferencing3, 0, {7, 8, 9}, {7, 8, 9}}));

} // namespace
