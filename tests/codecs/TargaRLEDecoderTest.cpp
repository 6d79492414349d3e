#include "codecs/TargaRLEDecoder.h"

#include "codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <random>

using codec_fixtures::Bytes;

namespace {

constexpr uint8_t Canary = 0xEE;

struct TDecodeResult {
    Bytes Output;
    size_t Consumed = 0;
    bool DestUnchanged = false;
};

// Decodes into a buffer with room for pixelCount pixels and a guard byte behind them.
TDecodeResult DecodeTarga(uint32_t depth, const Bytes& packed, int32_t pixelCount,
                          uint32_t bytesPerPixel) {
    TTargaRLEDecoder decoder(depth);
    Bytes output(pixelCount * bytesPerPixel + 1, Canary);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), pixelCount);
    EXPECT_EQ(output.back(), Canary) << "wrote past the requested pixels";
    output.pop_back();
    return {output, static_cast<size_t>(source - packed.data()), dest == output.data()};
}

Bytes Encode(uint32_t depth, const Bytes& pixels, uint32_t bytesPerPixel) {
    TTargaRLEDecoder encoder(depth);
    const uint32_t count = static_cast<uint32_t>(pixels.size() / bytesPerPixel);
    Bytes packed(pixels.size() * 2 + 2, Canary);
    uint32_t stored = 0;
    encoder.Encode(pixels.data(), packed.data(), count, stored);
    EXPECT_LE(stored, 2 * pixels.size());
    EXPECT_EQ(packed[stored], Canary) << "stored more than it reported";
    packed.resize(stored);
    return packed;
}

} // namespace

TEST(TargaRLEDecoder, RunPacketRepeatsOnePixelAndAdvancesSourceOnly) {
    const TDecodeResult result = DecodeTarga(24, {0x82, 10, 20, 30, 0x55}, 3, 3);
    EXPECT_EQ(result.Output, (Bytes{10, 20, 30, 10, 20, 30, 10, 20, 30}));
    EXPECT_EQ(result.Consumed, 4u);
    EXPECT_TRUE(result.DestUnchanged);
}

TEST(TargaRLEDecoder, RawPacketCopiesPixels) {
    const TDecodeResult result = DecodeTarga(8, {0x02, 5, 6, 7, 0x55}, 3, 1);
    EXPECT_EQ(result.Output, (Bytes{5, 6, 7}));
    EXPECT_EQ(result.Consumed, 4u);
}

TEST(TargaRLEDecoder, SixteenBitPixelsStayInStoredOrder) {
    const TDecodeResult result = DecodeTarga(16, {0x81, 0x12, 0x34, 0x00, 0xAB, 0xCD}, 3, 2);
    EXPECT_EQ(result.Output, (Bytes{0x12, 0x34, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_EQ(result.Consumed, 6u);
}

TEST(TargaRLEDecoder, PacketPastTheRequestedCountLosesItsExcessButIsConsumed) {
    const TDecodeResult run = DecodeTarga(8, {0x84, 9, 0x00, 1}, 2, 1);
    EXPECT_EQ(run.Output, (Bytes{9, 9}));
    EXPECT_EQ(run.Consumed, 2u);
    const TDecodeResult raw = DecodeTarga(8, {0x03, 1, 2, 3, 4, 0x00, 5}, 2, 1);
    EXPECT_EQ(raw.Output, (Bytes{1, 2}));
    EXPECT_EQ(raw.Consumed, 5u);
}

TEST(TargaRLEDecoder, StopsAtTheEndOfTheInput) {
    // A raw packet cut short keeps the whole pixels it has; nothing beyond is read.
    const TDecodeResult raw = DecodeTarga(24, {0x03, 1, 2, 3, 4, 5, 6, 7}, 4, 3);
    EXPECT_EQ(raw.Output,
              (Bytes{1, 2, 3, 4, 5, 6, Canary, Canary, Canary, Canary, Canary, Canary}));
    EXPECT_EQ(raw.Consumed, 7u);
    const TDecodeResult run = DecodeTarga(24, {0x85, 1, 2}, 4, 3);
    EXPECT_EQ(run.Output, Bytes(12, Canary));
    EXPECT_LE(run.Consumed, 3u);
    const TDecodeResult empty = DecodeTarga(8, {}, 4, 1);
    EXPECT_EQ(empty.Output, Bytes(4, Canary));
    EXPECT_EQ(empty.Consumed, 0u);
}

TEST(TargaRLEDecoder, UnsupportedDepthDecodesAndEncodesNothing) {
    const TDecodeResult result = DecodeTarga(12, {0x82, 1, 2, 3}, 2, 2);
    EXPECT_EQ(result.Output, Bytes(4, Canary));
    EXPECT_EQ(result.Consumed, 0u);
    EXPECT_TRUE(Encode(12, {1, 2, 3, 4}, 2).empty());
}

TEST(TargaRLEDecoder, EncoderPacksRunsAndRawStretches) {
    EXPECT_EQ(Encode(8, {1, 1, 1, 2, 3}, 1), (Bytes{0x82, 1, 0x01, 2, 3}));
    EXPECT_EQ(Encode(8, {7}, 1), (Bytes{0x00, 7}));
    EXPECT_EQ(Encode(24, {1, 2, 3}, 3), (Bytes{0x00, 1, 2, 3}));
    EXPECT_EQ(Encode(8, {4, 5, 5}, 1), (Bytes{0x00, 4, 0x81, 5}));
    // 15-bit pixels take two bytes, compared whole.
    EXPECT_EQ(Encode(15, {1, 2, 1, 3}, 2), (Bytes{0x01, 1, 2, 1, 3}));
}

TEST(TargaRLEDecoder, EncoderSplitsPacketsAt128Pixels) {
    const Bytes run = Encode(8, Bytes(300, 9), 1);
    EXPECT_EQ(run, (Bytes{0xFF, 9, 0xFF, 9, 0xAB, 9}));
    Bytes distinct(200);
    for (size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = static_cast<uint8_t>(i);
    const Bytes raw = Encode(8, distinct, 1);
    ASSERT_EQ(raw.size(), 202u);
    EXPECT_EQ(raw[0], 0x7F);
    EXPECT_EQ(raw[129], 0x47);
}

TEST(TargaRLEDecoder, EncoderStaysWithinTwiceTheRowSize) {
    // Lone pixels between pairs: every packet header costs a byte of its own.
    Bytes pixels;
    for (int i = 0; i < 100; ++i)
        pixels.insert(pixels.end(), {1, 2, 2});
    const Bytes packed = Encode(8, pixels, 1);
    EXPECT_EQ(packed.size(), 400u);
    EXPECT_EQ(DecodeTarga(8, packed, 300, 1).Output, pixels);
    // Found by fuzzing, when the bound was taken to be one header per 128 pixels: a Targa
    // file's own bytes taken as 8-bit pixels.
    const Bytes file = codec_fixtures::ReadFixture("codecs-runs-rle.tga");
    const Bytes filePacked = Encode(8, file, 1);
    EXPECT_GT(filePacked.size(), file.size() + file.size() / 128 + 1);
    EXPECT_EQ(DecodeTarga(8, filePacked, static_cast<int32_t>(file.size()), 1).Output, file);
}

TEST(TargaRLEDecoder, EncoderOutputDecodesToTheSameRandomRows) {
    std::mt19937 random(12345);
    for (const uint32_t depth : {8u, 15u, 16u, 24u, 32u}) {
        const uint32_t bytesPerPixel = (depth + 1) / 8;
        for (int row = 0; row < 50; ++row) {
            // Rows of short and long runs mixed with noise, as in real pictures.
            const uint32_t width = 1 + random() % 700;
            Bytes pixels;
            while (pixels.size() < width * bytesPerPixel) {
                Bytes pixel(bytesPerPixel);
                for (uint8_t& byte : pixel)
                    byte = static_cast<uint8_t>(random() % 4);
                const uint32_t repeat = random() % 3 == 0 ? 1 + random() % 300 : 1;
                for (uint32_t i = 0; i < repeat; ++i)
                    pixels.insert(pixels.end(), pixel.begin(), pixel.end());
            }
            pixels.resize(width * bytesPerPixel);
            const Bytes packed = Encode(depth, pixels, bytesPerPixel);
            const TDecodeResult result = DecodeTarga(depth, packed, width, bytesPerPixel);
            ASSERT_EQ(result.Output, pixels) << "depth " << depth << " width " << width;
            EXPECT_EQ(result.Consumed, packed.size());
        }
    }
}

TEST(TargaRLEDecoder, DecodesImageMagicksRunLengthTarga) {
    const codec_fixtures::TGrayPicture truth = codec_fixtures::ReadPgm("codecs-runs.pgm");
    const Bytes file = codec_fixtures::ReadFixture("codecs-runs-rle.tga");
    ASSERT_EQ(file.at(2), 11); // run-length grayscale
    ASSERT_EQ(file.at(16), 8);
    // Its packets run across rows, so the picture is decoded in one piece.
    const Bytes packed(file.begin() + 18 + file[0], file.end());
    const TDecodeResult result =
        DecodeTarga(8, packed, static_cast<int32_t>(truth.Pixels.size()), 1);
    // ImageMagick stores this picture's rows top first.
    EXPECT_EQ(result.Output, truth.Pixels);
}
