#include "codecs/CCITTMHDecoder.h"
#include "LZWCodeWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TMHCase {
    const char* Name;
    std::vector<uint8_t> Packed;
    uint32_t Width;
    bool WordAligned;
    bool Reversed;
    std::vector<uint8_t> Expected;
};

class CCITTMHDecoderCase : public ::testing::TestWithParam<TMHCase> {};

TEST_P(CCITTMHDecoderCase, DecodesRows) {
    const TMHCase& c = GetParam();
    TCCITTMHDecoder decoder(0, c.Width, c.WordAligned, c.Reversed);
    std::vector<uint8_t> dest(c.Expected.size(), 0xAA); // cleared by the decoder
    const uint8_t* source = c.Packed.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(c.Packed.size()), int32_t(dest.size()));
    EXPECT_EQ(dest, c.Expected);
}

// Codes: white 0 = 00110101, black 8 = 000101, white 8 = 10011, white 3 = 1000, black 2 = 11,
// white 64 = 11011 (make-up) followed by white 0.
INSTANTIATE_TEST_SUITE_P(
    Cases, CCITTMHDecoderCase,
    ::testing::Values(
        TMHCase{"WhiteZeroThenBlackEight", {0x35, 0x14}, 8, false, false, {0xFF}},
        TMHCase{"FillOrderTwo", {0xAC, 0x28}, 8, false, true, {0xFF}},
        // Row 1 (white 8) ends on an odd byte: the pad byte is skipped when word aligned.
        TMHCase{"WordAlignedPad", {0x98, 0x00, 0x35, 0x14}, 8, true, false, {0x00, 0xFF}},
        // White 3, black 2, white 3: 1000 11 1000 -> 0x8E 0x00.
        TMHCase{"MixedRun", {0x8E, 0x00}, 8, false, false, {0x18}},
        // White 64 + 0, black 8 over a 72-pixel row.
        TMHCase{"MakeUpCode", {0xD9, 0xA8, 0xA0}, 72, false, false, {0, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        TMHCase{"MissingDataLeaveWhite", {}, 8, false, false, {0x00, 0x00}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CCITTMHDecoder, RunLongerThanTheRowIsCut) {
    // White 0, then black 64 + 0 on an 8-pixel row: only the row's byte is written.
    TCCITTMHDecoder decoder(0, 8, false, false);
    const std::vector<uint8_t> packed = {0x35, 0x03, 0xC3, 0x70};
    std::vector<uint8_t> dest(1);
    const uint8_t* source = packed.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(packed.size()), int32_t(dest.size()));
    EXPECT_EQ(dest[0], 0xFF);
}

TEST(CCITTMHDecoder, MakeUpCodesPastTheRowWidthSaturate) {
    // 900,000 make-up codes of 2560 white add up beyond 2^31; the run still only fills the
    // row, and the black run after it finds no room.
    TLZWCodeWriter bits(true);
    for (int i = 0; i < 900000; ++i)
        bits.Put(0x1F, 12);
    bits.Put(0x35, 8); // white 0
    bits.Put(0x3, 3);  // black 4
    TCCITTMHDecoder decoder(0, 16, false, false);
    std::vector<uint8_t> dest(2, 0xAA);
    const uint8_t* source = bits.Bytes.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(bits.Bytes.size()), int32_t(dest.size()));
    EXPECT_EQ(dest, (std::vector<uint8_t>{0, 0}));
}

} // namespace
