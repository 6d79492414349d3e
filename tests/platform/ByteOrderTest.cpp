#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ByteOrder, SwapShortsReversesEachPairOnly) {
    std::vector<uint8_t> bytes = {0x12, 0x34, 0xAB, 0xCD, 0x99};
    SwapShorts(bytes.data(), 2);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x34, 0x12, 0xCD, 0xAB, 0x99}));
}

} // namespace
