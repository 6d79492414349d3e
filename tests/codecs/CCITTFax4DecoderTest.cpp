#include "codecs/CCITTFax4Decoder.h"
#include "codecs/FaxBits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string EndOfBlock = "000000000001 000000000001";

struct TFax4Case {
    const char* Name;
    std::string Bits;
    std::vector<uint8_t> Rows; // three rows of 16 pixels
};

// Width 16. Row 1 against white: horizontal white 4 black 4, V0 to the end. Row 2 against
// it: VR1 (black from 5), VL1 (white from 7), V0. Row 3 against row 2: pass (white to b2 =
// 7), horizontal white 2 black 3, V0. No EOL between rows, none before the first.
const std::string ThreeRows = "001 1011 011 1"
                              "011 010 1"
                              "0001 001 0111 10 1";

const TFax4Case Fax4Cases[] = {
    {"RowsFollowTheRowAbove", ThreeRows + EndOfBlock, {0x0F, 0x00, 0x06, 0x00, 0x00, 0x70}},
    {"EndOfBlockEndsTheData",
     "001 1011 011 1" + EndOfBlock + "011 010 1",
     {0x0F, 0x00, 0x00, 0x00, 0x00, 0x00}},
    // The extension code 0000001 (uncompressed mode) in row 2: nothing after it is decoded.
    {"ADamagedRowEndsDecoding",
     "001 1011 011 1"
     "0000001 111"
     "1 1",
     {0x0F, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {"DataEndingInARowLeaveTheRestWhite",
     "001 1011 011 1"
     "011 010",
     {0x0F, 0x00, 0x06, 0x00, 0x00, 0x00}},
};

class CCITTFax4Decoding : public ::testing::TestWithParam<TFax4Case> {};

TEST_P(CCITTFax4Decoding, DecodesRowAfterRow) {
    TCCITTFax4Decoder decoder(16, false);
    EXPECT_EQ(DecodeFax(decoder, Bits(GetParam().Bits), 6), GetParam().Rows);
}

INSTANTIATE_TEST_SUITE_P(Streams, CCITTFax4Decoding, ::testing::ValuesIn(Fax4Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(CCITTFax4Decoder, EveryStripStartsBelowAWhiteRow) {
    TCCITTFax4Decoder decoder(8, false);
    // Horizontal white 0 black 8: a black row; the next strip's V0 row follows white.
    EXPECT_EQ(DecodeFax(decoder, Bits("001 00110101 000101"), 1), std::vector<uint8_t>{0xFF});
    EXPECT_EQ(DecodeFax(decoder, Bits("1"), 1), std::vector<uint8_t>{0x00});
}

TEST(CCITTFax4Decoder, FillOrderTwoReadsEachByteFromItsLowBit) {
    std::vector<uint8_t> reversed = Bits(ThreeRows + EndOfBlock);
    for (uint8_t& byte : reversed)
        byte = uint8_t((byte * 0x0202020202ULL & 0x010884422010ULL) % 1023);
    TCCITTFax4Decoder decoder(16, true);
    EXPECT_EQ(DecodeFax(decoder, reversed, 6),
              (std::vector<uint8_t>{0x0F, 0x00, 0x06, 0x00, 0x00, 0x70}));
}

} // namespace
