#include "codecs/PackbitsRLEDecoder.h"

#include "codecs/CodecFixtures.h"
#include "codecs/RunLengthTestSupport.h"

constexpr uint8_t C = RunLengthCanary;

TEST(PackbitsRLEDecoder, DecodesLiteralsRunsAndNoOperations) {
    TPackbitsRLEDecoder decoder;
    ExpectCases(decoder, {
                             {{0x80}, 2, {C, C}},
                             {{0xFE, 0x41}, 3, {0x41, 0x41, 0x41}},
                             {{0x02, 'a', 'b', 'c'}, 3, {'a', 'b', 'c'}},
                             {{0x80, 0xFF, 7, 0x00, 8}, 3, {7, 7, 8}},
                             {{0x81, 1}, 128, std::vector<uint8_t>(128, 1)},
                             {{0x7F}, 1, {C}},
                         });
}

TEST(PackbitsRLEDecoder, StaysWithinBothSizes) {
    TPackbitsRLEDecoder decoder;
    ExpectCases(decoder, {
                             // output full before the packet ends
                             {{0xFD, 7}, 2, {7, 7}},
                             {{0x03, 1, 2, 3, 4}, 2, {1, 2}},
                             // input ends inside a packet
                             {{0x05, 1, 2}, 4, {1, 2, C, C}},
                             {{0xFE}, 2, {C, C}},
                             {{}, 2, {C, C}},
                             {{0x00, 1}, -5, {}},
                         });
}

TEST(PackbitsRLEDecoder, DecodesLibtiffsPackBitsStrip) {
    const codec_fixtures::TGrayPicture truth = codec_fixtures::ReadPgm("codecs-runs.pgm");
    const auto packed = codec_fixtures::ReadTiffStrip("codecs-runs-packbits.tif");
    TPackbitsRLEDecoder decoder;
    EXPECT_EQ(DecodeBytes(decoder, packed, static_cast<int32_t>(truth.Pixels.size())),
              truth.Pixels);
}
