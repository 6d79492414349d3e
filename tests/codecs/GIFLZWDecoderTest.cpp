#include "codecs/GIFLZWDecoder.h"

#include "codecs/CodecFixtures.h"
#include "codecs/LZWCodeWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

using codec_fixtures::Bytes;

namespace {

// Written beyond dest to catch overruns; what the data do not yield in dest is 0.
constexpr uint8_t Canary = 0xEE;

Bytes DecodeGif(uint8_t codeSize, const Bytes& packed, int32_t pixelCount) {
    TGIFLZWDecoder decoder(codeSize);
    Bytes output(static_cast<size_t>(std::max(pixelCount, 0)) + 1, Canary);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), pixelCount);
    EXPECT_EQ(source, packed.data());
    EXPECT_EQ(dest, output.data());
    EXPECT_EQ(output.back(), Canary) << "wrote past the pixel count";
    output.pop_back();
    return output;
}

// Code streams with explicit widths, least significant bit first.
Bytes Codes(std::initializer_list<std::pair<uint32_t, uint32_t>> codesAndWidths) {
    TLZWCodeWriter writer(false);
    for (const auto& [code, width] : codesAndWidths)
        writer.Put(code, width);
    return writer.Bytes;
}

} // namespace

TEST(GIFLZWDecoder, CodeSizeTwoWidensAfterCode7IsAssigned) {
    // Clear 4, end 5; codes 6 and 7 are assigned by the third and fourth codes.
    const Bytes packed = Codes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {7, 4}, {5, 4}});
    EXPECT_EQ(DecodeGif(2, packed, 8), (Bytes{0, 1, 2, 3, 1, 2, 0, 0}));
}

TEST(GIFLZWDecoder, CodeEqualToTheFreeCodeRepeatsThePreviousStringsFirstByte) {
    const Bytes packed = Codes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}});
    // 6 = 1 1, then 7 = 1 1 1.
    EXPECT_EQ(DecodeGif(2, packed, 6), (Bytes{1, 1, 1, 1, 1, 1}));
}

TEST(GIFLZWDecoder, ClearCodeInMidStreamResetsTheTableAndWidth) {
    const Bytes packed =
        Codes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {4, 4}, {3, 3}, {2, 3}, {6, 3}, {5, 4}});
    // After the clear, 6 is 3 2 (not 0 1) and codes are 3 bits wide again.
    EXPECT_EQ(DecodeGif(2, packed, 7), (Bytes{0, 1, 2, 3, 2, 3, 2}));
}

TEST(GIFLZWDecoder, DataAfterTheEndCodeIsStillDecoded) {
    const Bytes packed = Codes({{4, 3}, {1, 3}, {5, 3}, {2, 3}, {3, 3}, {0, 8}});
    EXPECT_EQ(DecodeGif(2, packed, 3), (Bytes{1, 2, 3}));
}

TEST(GIFLZWDecoder, CodeBeyondTheTableIsDroppedWithoutOutput) {
    const Bytes packed = Codes({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {6, 3}, {5, 4}});
    EXPECT_EQ(DecodeGif(2, packed, 5), (Bytes{1, 2, 1, 2, 0}));
}

TEST(GIFLZWDecoder, CodesAfterAnInvalidCodeWaitForTheNextByte) {
    // 7 is invalid; 2 and 3 sit in the same two bytes and are only taken once a third
    // byte has come in.
    const Bytes packed = Codes({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {3, 3}});
    ASSERT_EQ(packed.size(), 2u);
    EXPECT_EQ(DecodeGif(2, packed, 3), (Bytes{1, 0, 0}));
    Bytes longer = packed;
    longer.push_back(0);
    EXPECT_EQ(DecodeGif(2, longer, 3), (Bytes{1, 2, 3}));
}

TEST(GIFLZWDecoder, LongSeriesOfEndCodesKeepsTheBitStreamInStep) {
    TLZWCodeWriter writer(false);
    writer.Put(4, 3);
    writer.Put(1, 3);
    for (int i = 0; i < 40; ++i)
        writer.Put(5, 3);
    writer.Put(2, 3);
    writer.Put(3, 3);
    for (int i = 0; i < 40; ++i)
        writer.Put(5, 4);
    EXPECT_EQ(DecodeGif(2, writer.Bytes, 4), (Bytes{1, 2, 3, 0}));
}

TEST(GIFLZWDecoder, FirstCodeWithoutAStringIsDropped) {
    const Bytes packed = Codes({{4, 3}, {6, 3}, {3, 3}, {5, 3}});
    EXPECT_EQ(DecodeGif(2, packed, 2), (Bytes{3, 0}));
}

TEST(GIFLZWDecoder, StopsAtThePixelCountAndAtTheEndOfTheData) {
    const Bytes packed = Codes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}});
    EXPECT_EQ(DecodeGif(2, packed, 4), (Bytes{1, 1, 1, 1}));
    // The data end inside the string of code 7.
    EXPECT_EQ(DecodeGif(2, Bytes(packed.begin(), packed.begin() + 1), 6),
              (Bytes{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DecodeGif(2, {}, 2), (Bytes{0, 0}));
    EXPECT_EQ(DecodeGif(2, packed, -1), Bytes{});
}

TEST(GIFLZWDecoder, CodeSizesOutsideOneToEightDecodeNothing) {
    const Bytes packed(16, 0x11);
    for (const uint8_t codeSize : {0, 9, 12, 255})
        EXPECT_EQ(DecodeGif(codeSize, packed, 4), Bytes(4, 0)) << int{codeSize};
}

TEST(GIFLZWDecoder, FullTableKeepsItsLastEntryAndTerminates) {
    // Code size 8: 3838 codes of 7 fill the table up to 4095 (the string of 4095 is 3839
    // sevens long); further codes add nothing, so 4095 keeps its string.
    TLZWCodeWriter writer(false);
    uint32_t width = 9;
    writer.Put(256, width);
    writer.Put(7, width);
    uint64_t expectedLength = 1;
    for (uint32_t freeCode = 258, length = 2; freeCode < 4096; ++freeCode, ++length) {
        writer.Put(freeCode, width); // KwKwK: each string one seven longer
        expectedLength += length;
        if (freeCode + 1 == (1u << width) && width < 12)
            ++width;
    }
    for (int i = 0; i < 3; ++i)
        writer.Put(4095, 12);
    expectedLength += 3 * 3839;
    const Bytes output = DecodeGif(8, writer.Bytes, static_cast<int32_t>(expectedLength + 1));
    EXPECT_EQ(std::count(output.begin(), output.end(), 7), static_cast<long>(expectedLength));
    EXPECT_EQ(output.back(), 0);
}

TEST(GIFLZWDecoder, DecodesImageMagicksGif) {
    const codec_fixtures::TGrayPicture truth = codec_fixtures::ReadPgm("codecs-noise.pgm");
    const codec_fixtures::TGifImage image = codec_fixtures::ReadGifImage("codecs-noise-lzw.gif");
    const Bytes indices =
        DecodeGif(image.MinimumCodeSize, image.Data, static_cast<int32_t>(truth.Pixels.size()));
    for (size_t i = 0; i < indices.size(); ++i)
        ASSERT_EQ(image.ColorTable.at(3 * indices[i]), truth.Pixels[i]) << "pixel " << i;
}
