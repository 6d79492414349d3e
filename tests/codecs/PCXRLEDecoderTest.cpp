#include "codecs/PCXRLEDecoder.h"

#include "codecs/CodecFixtures.h"
#include "codecs/RunLengthTestSupport.h"

constexpr uint8_t C = RunLengthCanary;

TEST(PCXRLEDecoder, DecodesRunsAndPlainBytes) {
    TPCXRLEDecoder decoder;
    ExpectCases(decoder, {
                             {{0xC3, 0x55}, 3, {0x55, 0x55, 0x55}},
                             {{0x3F}, 1, {0x3F}},
                             {{0xC0, 0x12, 0x01}, 2, {0x01, C}},
                             {{0xC1, 0xC7, 0xBF}, 2, {0xC7, 0xBF}},
                             {{0xFF, 4}, 63, std::vector<uint8_t>(63, 4)},
                         });
}

TEST(PCXRLEDecoder, StaysWithinBothSizes) {
    TPCXRLEDecoder decoder;
    ExpectCases(decoder, {
                             {{0xC5, 9}, 2, {9, 9}},
                             {{1, 2, 3}, 2, {1, 2}},
                             // input used up, also between a count and its byte
                             {{0xC5}, 3, {C, C, C}},
                             {{1, 0xC2}, 3, {1, C, C}},
                             {{}, 1, {C}},
                             {{0x01}, -1, {}},
                         });
}

TEST(PCXRLEDecoder, DecodesImageMagicksPcx) {
    const codec_fixtures::TGrayPicture truth = codec_fixtures::ReadPgm("codecs-runs.pgm");
    const auto file = codec_fixtures::ReadFixture("codecs-runs.pcx");
    // Three planes of 8 bits (red, green, blue lines in turn), all equal for a gray picture.
    ASSERT_EQ(file.at(3), 8);
    ASSERT_EQ(file.at(65), 3);
    const uint32_t lineBytes = file.at(66) | file.at(67) << 8;
    ASSERT_GE(lineBytes, truth.Width);
    const std::vector<uint8_t> packed(file.begin() + 128, file.end());
    TPCXRLEDecoder decoder;
    const auto planes =
        DecodeBytes(decoder, packed, static_cast<int32_t>(3 * lineBytes * truth.Height));
    for (uint32_t y = 0; y < truth.Height; ++y)
        for (uint32_t plane = 0; plane < 3; ++plane)
            for (uint32_t x = 0; x < truth.Width; ++x)
                ASSERT_EQ(planes[(3 * y + plane) * lineBytes + x],
                          truth.Pixels[y * truth.Width + x])
                    << x << "," << y << " plane " << plane;
}
