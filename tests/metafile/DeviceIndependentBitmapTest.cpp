#include "MetafileBuilders.h"

#include "metafile/DeviceIndependentBitmap.h"
#include "platform/PictureLimits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An info header of 40 bytes followed by the colour table.
std::vector<uint8_t> InfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                                std::vector<uint32_t> colors = {}) {
    std::vector<uint8_t> info;
    PutU32(info, 40);
    PutU32(info, uint32_t(width));
    PutU32(info, uint32_t(height));
    PutU16(info, 1);
    PutU16(info, bits);
    PutU32(info, compression);
    for (int i = 0; i < 3; ++i)
        PutU32(info, 0);
    PutU32(info, uint32_t(colors.size()));
    PutU32(info, 0);
    for (uint32_t c : colors)
        PutU32(info, c); // blue, green, red, 0 from the low byte
    return info;
}

QImage Decode(const std::vector<uint8_t>& info, const std::vector<uint8_t>& bits) {
    return DecodeDib(RecordCursor(info.data(), info.size()), RecordCursor(bits.data(), bits.size()),
                     TDibColorUsage::duRgbColors);
}

struct TDibCase {
    std::string Name;
    std::vector<uint8_t> Info;
    std::vector<uint8_t> Bits;
    // Expected pixels of the top row, left to right, as 0xRRGGBB.
    std::vector<QRgb> TopRow;
};

class DibDecoding : public ::testing::TestWithParam<TDibCase> {};

TEST_P(DibDecoding, TopRowHasTheExpectedColours) {
    const QImage image = Decode(GetParam().Info, GetParam().Bits);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(size_t(image.width()), GetParam().TopRow.size());
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(image.pixel(x, 0) & 0xFFFFFF, GetParam().TopRow[size_t(x)]) << "x = " << x;
}

const uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

INSTANTIATE_TEST_SUITE_P(
    Depths, DibDecoding,
    ::testing::Values(
        // Two rows, bottom first: the top row is the second one stored.
        TDibCase{"OneBit",
                 InfoHeader(4, 2, 1, 0, {Red, Blue}),
                 {0x00, 0, 0, 0, 0xA0, 0, 0, 0},
                 {Blue, Red, Blue, Red}},
        TDibCase{"FourBit",
                 InfoHeader(3, 1, 4, 0, {0, Red, Green, Blue}),
                 {0x12, 0x30, 0, 0},
                 {Red, Green, Blue}},
        TDibCase{"EightBit", InfoHeader(2, 1, 8, 0, {Red, Green}), {1, 0, 0, 0}, {Green, Red}},
        TDibCase{"SixteenBitFiveFiveFive",
                 InfoHeader(2, 1, 16, 0),
                 {0x00, 0x7C, 0x1F, 0x00}, // red, blue
                 {Red, Blue}},
        TDibCase{"TwentyFourBit",
                 InfoHeader(2, 1, 24, 0),
                 {0, 0, 255, 255, 0, 0, 0, 0}, // blue, green, red per pixel
                 {Red, Blue}},
        TDibCase{
            "TopDownRows", InfoHeader(1, -2, 24, 0), {0, 255, 0, 0, 255, 255, 255, 0}, {Green}},
        TDibCase{"RunLengthEightBit",
                 InfoHeader(5, 1, 8, 1, {Red, Blue}),
                 {3, 1, 0, 3, 1, 0, 0, 0, 0, 1}, // three blue, then a literal blue, red, red
                 {Blue, Blue, Blue, Blue, Red}}),
    [](const ::testing::TestParamInfo<TDibCase>& info) { return info.param.Name; });

TEST(Dib, BitfieldsThirtyTwoBit) {
    std::vector<uint8_t> info = InfoHeader(1, 1, 32, 3);
    for (uint32_t mask : {0x0000FF00u, 0x00FF0000u, 0xFF000000u}) // red, green, blue masks
        PutU32(info, mask);
    const QImage image = Decode(info, {0x00, 0x11, 0x22, 0x33});
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x112233u);
}

TEST(Dib, CoreHeaderWithThreeByteColours) {
    std::vector<uint8_t> info;
    PutU32(info, 12);
    PutU16(info, 2);
    PutU16(info, 1);
    PutU16(info, 1);
    PutU16(info, 1);
    for (uint8_t b : {0, 0, 255, 255, 255, 255}) // red, white
        info.push_back(b);
    const QImage image = Decode(info, {0x40, 0, 0, 0});
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Red);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, White);
}

TEST(Dib, RefusesWhatItCannotDecodeSafely) {
    // Rows the bits do not cover.
    EXPECT_TRUE(Decode(InfoHeader(4, 4, 24, 0), std::vector<uint8_t>(47, 0)).isNull());
    // A size past the allocation gate.
    EXPECT_TRUE(Decode(InfoHeader(int32_t(MaxPictureDimension + 1), 1, 1, 0),
                       std::vector<uint8_t>(1 << 17, 0))
                    .isNull());
    EXPECT_TRUE(Decode(InfoHeader(0, 1, 24, 0), std::vector<uint8_t>(4, 0)).isNull());
    // Depth and compression that do not exist.
    EXPECT_TRUE(Decode(InfoHeader(1, 1, 7, 0), std::vector<uint8_t>(4, 0)).isNull());
    EXPECT_TRUE(Decode(InfoHeader(1, 1, 24, 9), std::vector<uint8_t>(4, 0)).isNull());
    // A header that says it is longer than its record.
    std::vector<uint8_t> info = InfoHeader(1, 1, 24, 0);
    info[0] = 200;
    EXPECT_TRUE(Decode(info, std::vector<uint8_t>(4, 0)).isNull());
}

TEST(Dib, PackedBitsFollowTheColourTable) {
    std::vector<uint8_t> packed = InfoHeader(2, 1, 8, 0, {Green, Blue});
    for (uint8_t b : {1, 0, 0, 0})
        packed.push_back(b);
    const QImage image =
        DecodePackedDib(RecordCursor(packed.data(), packed.size()), TDibColorUsage::duRgbColors);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Blue);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, Green);
}

TEST(Dib, AlphaBlendingKeepsTheFourthByteAsPremultipliedAlpha) {
    const std::vector<uint8_t> info = InfoHeader(2, 1, 32, 0);
    const std::vector<uint8_t> bits = {0x20, 0x40, 0xFF, 0x80, 0x10, 0x20, 0x30, 0xFF};
    const QImage blended =
        DecodeDib(RecordCursor(info.data(), info.size()), RecordCursor(bits.data(), bits.size()),
                  TDibColorUsage::duRgbColors, true);
    ASSERT_FALSE(blended.isNull());
    // Red above its alpha is held to it, as premultiplied pixels must be.
    EXPECT_EQ(blended.pixel(0, 0), qRgba(0x80, 0x40, 0x20, 0x80));
    EXPECT_EQ(blended.pixel(1, 0), qRgba(0x30, 0x20, 0x10, 0xFF));
    EXPECT_EQ(Decode(info, bits).pixel(0, 0) & 0xFFFFFF, 0xFF4020u);
}

TEST(Dib, PaletteIndicesPickTheDefaultColours) {
    std::vector<uint8_t> info = InfoHeader(2, 1, 1, 0);
    info[32] = 2;                  // colours used
    for (uint16_t index : {9, 12}) // red and blue of the 16 default colours
        PutU16(info, index);
    const std::vector<uint8_t> bits = {0x40, 0, 0, 0};
    const QImage image =
        DecodeDib(RecordCursor(info.data(), info.size()), RecordCursor(bits.data(), bits.size()),
                  TDibColorUsage::duPalColors);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Red);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, Blue);
}

TEST(Dib, PackedTrueColourSkipsItsPaletteDeviceTable) {
    std::vector<uint8_t> packed = InfoHeader(1, 1, 24, 0, {Green});
    for (uint8_t b : {0, 0, 255, 0}) // red
        packed.push_back(b);
    const QImage image =
        DecodePackedDib(RecordCursor(packed.data(), packed.size()), TDibColorUsage::duRgbColors);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Red);
}

TEST(Bitmap16, MonochromeTakesTheTextAndBackgroundColours) {
    std::vector<uint8_t> record;
    for (int v : {0, 3, 1, 2}) // type, width, height, bytes per row
        PutU16(record, uint16_t(v));
    record.push_back(1); // planes
    record.push_back(1); // bits per pixel
    record.push_back(0x40);
    record.push_back(0);
    const QImage image = DecodeBitmap16(RecordCursor(record.data(), record.size()), qRgb(255, 0, 0),
                                        qRgb(0, 0, 255));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Red);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, Blue);
    EXPECT_EQ(image.pixel(2, 0) & 0xFFFFFF, Red);
}

} // namespace
