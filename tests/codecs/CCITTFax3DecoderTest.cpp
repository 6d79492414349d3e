#include "codecs/CCITTFax3Decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Decode(TCCITTFax3Decoder& decoder, const std::vector<uint8_t>& packed,
                            size_t unpacked) {
    std::vector<uint8_t> dest(unpacked, 0xAA);
    const uint8_t* source = packed.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(packed.size()), int32_t(dest.size()));
    return dest;
}

// EOL 000000000001, white 0 00110101, black 8 000101.
TEST(CCITTFax3Decoder, RowAfterEOL) {
    TCCITTFax3Decoder decoder(0, 8, false, false);
    EXPECT_EQ(Decode(decoder, {0x00, 0x13, 0x51, 0x40}, 1), std::vector<uint8_t>{0xFF});
}

TEST(CCITTFax3Decoder, FillBitsBeforeEOLAreSkipped) {
    // Four extra zeros before the EOL, then white 8 (10011); then EOL, white 0, black 8.
    TCCITTFax3Decoder decoder(0, 8, false, false);
    EXPECT_EQ(Decode(decoder, {0x00, 0x01, 0x98, 0x00, 0x4D, 0x45}, 2),
              (std::vector<uint8_t>{0x00, 0xFF}));
}

TEST(CCITTFax3Decoder, ShortRowEndsOnEOLAndNextRowKeepsItsPlace) {
    // Row 1: EOL, white 3 (1000), then EOL at once; row 2: white 0, black 8.
    // 000000000001 1000 000000000001 00110101 000101
    TCCITTFax3Decoder decoder(0, 8, false, false);
    EXPECT_EQ(Decode(decoder, {0x00, 0x18, 0x00, 0x13, 0x51, 0x40}, 2),
              (std::vector<uint8_t>{0x00, 0xFF}));
}

TEST(CCITTFax3Decoder, NoEOLMeansNothingIsDecoded) {
    TCCITTFax3Decoder decoder(0, 8, false, false);
    EXPECT_EQ(Decode(decoder, {0x35, 0x14}, 1), std::vector<uint8_t>{0x00});
}

} // namespace
