#include "codecs/CCITTFax3Decoder.h"
#include "codecs/FaxBits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Decode(TCCITTFax3Decoder& decoder, const std::vector<uint8_t>& packed,
                            size_t unpacked) {
    return DecodeFax(decoder, packed, unpacked);
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

// Found by fuzz_CCITTFax3Decoder (input 00 00 40 08 00 0A): an empty strip's dest may be
// null, and the room left in it was computed as a pointer past null.
TEST(CCITTFax3Decoder, EmptyDestWithoutStorageWritesNothing) {
    TCCITTFax3Decoder decoder(0x40, 8, false, false);
    const std::vector<uint8_t> packed{0x0A};
    const uint8_t* source = packed.data();
    uint8_t* dest = nullptr;
    decoder.Decode(source, dest, 1, 0);
    EXPECT_EQ(dest, nullptr);
}

constexpr uint32_t TwoDimensional = 1;

// Width 16. Row 1, runs: white 4, black 4, white 8. Row 2 against it: VR1 (black from 5),
// VL1 (white from 7), V0 (to the end). Row 3 against row 2: pass (white to b2 = 7),
// horizontal white 2 black 3, V0.
TEST(CCITTFax3Decoder, TwoDimensionalRowsFollowTheRowAbove) {
    const std::string eol = "000000000001";
    TCCITTFax3Decoder decoder(TwoDimensional, 16, false, false);
    EXPECT_EQ(
        Decode(decoder,
               Bits(eol + "1 1011 011 10011" + eol + "0 011 010 1" + eol + "0 0001 001 0111 10 1"),
               6),
        (std::vector<uint8_t>{0x0F, 0x00, 0x06, 0x00, 0x00, 0x70}));
}

TEST(CCITTFax3Decoder, TwoDimensionalRowAtTheStripStartFollowsWhite) {
    const std::string eol = "000000000001";
    TCCITTFax3Decoder decoder(TwoDimensional, 8, false, false);
    // A black row (white 0, black 8); the next strip's first row, V0 against a white row
    // rather than the black one, is white.
    EXPECT_EQ(Decode(decoder, Bits(eol + "1 00110101 000101"), 1), std::vector<uint8_t>{0xFF});
    EXPECT_EQ(Decode(decoder, Bits(eol + "0 1"), 1), std::vector<uint8_t>{0x00});
}

TEST(CCITTFax3Decoder, ExtensionCodeEndsTheRow) {
    const std::string eol = "000000000001";
    TCCITTFax3Decoder decoder(TwoDimensional, 8, false, false);
    // The extension code 0000001 (uncompressed mode) ends the first row white; the next
    // row, one-dimensional, is read normally.
    EXPECT_EQ(Decode(decoder, Bits(eol + "0 0000001 111" + eol + "1 00110101 000101"), 2),
              (std::vector<uint8_t>{0x00, 0xFF}));
}

} // namespace
