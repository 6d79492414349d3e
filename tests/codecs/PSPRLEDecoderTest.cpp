#include "codecs/PSPRLEDecoder.h"

#include "codecs/RunLengthTestSupport.h"

constexpr uint8_t C = RunLengthCanary;

TEST(PSPRLEDecoder, DecodesRunsAndLiterals) {
    TPSPRLEDecoder decoder;
    ExpectCases(decoder, {
                             {{0x83, 0x07}, 3, {7, 7, 7}},
                             {{0x02, 0x01, 0x02}, 2, {1, 2}},
                             {{0x00, 0x80, 5, 0x01, 9}, 2, {9, C}},
                             {{0xFF, 6}, 127, std::vector<uint8_t>(127, 6)},
                         });
}

TEST(PSPRLEDecoder, StaysWithinBothSizes) {
    TPSPRLEDecoder decoder;
    ExpectCases(decoder, {
                             {{0x85, 9}, 3, {9, 9, 9}},
                             {{0x05, 1, 2, 3, 4, 5}, 2, {1, 2}},
                             {{0x05, 1, 2}, 4, {1, 2, C, C}},
                             {{0x84}, 2, {C, C}},
                             {{}, 1, {C}},
                             {{0x01, 1}, -1, {}},
                         });
}

TEST(PSPRLEDecoder, CountsTheBytesItWrote) {
    TPSPRLEDecoder decoder;
    const uint8_t packed[] = {0x83, 7, 0x02, 1, 2, 0x85};
    uint8_t out[10];
    const uint8_t* source = packed;
    uint8_t* dest = out;
    decoder.Decode(source, dest, sizeof packed, sizeof out);
    EXPECT_EQ(decoder.UnpackedCount(), 5);
    decoder.Decode(source, dest, sizeof packed, 4);
    EXPECT_EQ(decoder.UnpackedCount(), 4);
}
