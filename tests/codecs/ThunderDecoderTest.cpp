#include "codecs/ThunderDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TThunderCase {
    const char* Name;
    std::vector<uint8_t> Packed;
    uint32_t Width;
    std::vector<uint8_t> Expected;
};

class ThunderDecoderCase : public ::testing::TestWithParam<TThunderCase> {};

TEST_P(ThunderDecoderCase, Decodes) {
    const TThunderCase& c = GetParam();
    TThunderDecoder decoder(c.Width);
    std::vector<uint8_t> dest(c.Expected.size(), 0xEE);
    const uint8_t* source = c.Packed.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(c.Packed.size()), int32_t(dest.size()));
    EXPECT_EQ(dest, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThunderDecoderCase,
    ::testing::Values(TThunderCase{"RawThenRun", {0xC7, 0x02}, 4, {0x77, 0x70}},
                      // Deltas 0, -1, +1 (2-bit) then +1, -1 (3-bit) from 5.
                      TThunderCase{"Deltas", {0xC5, 0x4D, 0x8F}, 6, {0x55, 0x45, 0x65}},
                      // A skipped 2-bit delta (code 2) writes nothing.
                      TThunderCase{"SkippedDelta", {0xC3, 0x61}, 4, {0x33, 0x40}},
                      // Each row starts again from 0: the run of row 2 repeats 0.
                      TThunderCase{"RowsRestart", {0xC9, 0xC9, 0x02}, 2, {0x99, 0x00}},
                      TThunderCase{"RunStopsAtTheRowEnd", {0x3F}, 2, {0x00}},
                      // Rows of three pixels: the pad nibble stays clear and the next row's
                      // first code starts that row.
                      TThunderCase{"OddWidthRowEndsAfterItsPixels",
                                   {0xC1, 0x02, 0xC2, 0x02},
                                   3,
                                   {0x11, 0x10, 0x22, 0x20}}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
