#include "formats/GIFGraphic.h"
#include "platform/Exceptions.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

void Put16(TBytes& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

// LZW data that a decoder must read literally: a clear code before every second pixel keeps
// the code width at the initial one. Code size 2 (4 colours).
TBytes LiteralLzw(const TBytes& pixels) {
    const uint32_t clear = 4, end = 5, width = 3;
    TBytes out;
    uint32_t accumulator = 0, bits = 0;
    auto emit = [&](uint32_t code) {
        accumulator |= code << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(uint8_t(accumulator));
            accumulator >>= 8;
            bits -= 8;
        }
    };
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 2 == 0)
            emit(clear);
        emit(pixels[i]);
    }
    emit(end);
    if (bits)
        out.push_back(uint8_t(accumulator));
    return out;
}

TBytes Table(std::initializer_list<uint8_t> rgb) {
    return TBytes(rgb);
}

// Image descriptor, optional local table (4 entries), code size and the data sub-blocks.
void AppendImage(TBytes& gif, uint16_t width, uint16_t height, const TBytes& pixels,
                 const TBytes& localTable = {}, bool interlaced = false) {
    gif.push_back(0x2C);
    Put16(gif, 0);
    Put16(gif, 0);
    Put16(gif, width);
    Put16(gif, height);
    gif.push_back(uint8_t((localTable.empty() ? 0 : 0x81) | (interlaced ? 0x40 : 0)));
    gif.insert(gif.end(), localTable.begin(), localTable.end());
    gif.push_back(2);
    const TBytes data = LiteralLzw(pixels);
    for (size_t pos = 0; pos < data.size(); pos += 5) { // small sub-blocks on purpose
        const size_t length = std::min<size_t>(5, data.size() - pos);
        gif.push_back(uint8_t(length));
        gif.insert(gif.end(), data.begin() + pos, data.begin() + pos + length);
    }
    gif.push_back(0);
}

const TBytes GlobalTable = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}; // black red green blue

TBytes StartGif(uint16_t width, uint16_t height, bool globalTable = true) {
    TBytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(gif, width);
    Put16(gif, height);
    gif.push_back(globalTable ? 0x81 : 0);
    gif.push_back(0);
    gif.push_back(0);
    if (globalTable)
        gif.insert(gif.end(), GlobalTable.begin(), GlobalTable.end());
    return gif;
}

std::unique_ptr<TGIFGraphic> Load(const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto gif = std::make_unique<TGIFGraphic>();
    gif->LoadFromStream(stream);
    return gif;
}

// Colours of a decoded picture, one letter per pixel: K black, R red, G green, B blue.
std::string Letters(const TGraphic& picture) {
    const TBytes rgb = RenderRgbTopDown(picture);
    std::string text;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const int key = (rgb[i] ? 4 : 0) | (rgb[i + 1] ? 2 : 0) | (rgb[i + 2] ? 1 : 0);
        text += key == 0 ? 'K' : key == 4 ? 'R' : key == 2 ? 'G' : key == 1 ? 'B' : '?';
    }
    return text;
}

TEST(GIFGraphic, PixelsIndexTheGlobalTable) {
    TBytes gif = StartGif(4, 2);
    AppendImage(gif, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0});
    gif.push_back(0x3B);
    const auto picture = Load(gif);
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(Letters(*picture), "KRGBBGRK");
    EXPECT_EQ(picture->ImageProperties.Version, 89u);
    EXPECT_EQ(picture->ImageProperties.BitsPerSample, 2);
}

TEST(GIFGraphic, ZeroWidthTakesTheScreenWidth) {
    TBytes gif = StartGif(3, 1);
    AppendImage(gif, 0, 1, {1, 2, 3});
    gif.push_back(0x3B);
    const auto picture = Load(gif);
    EXPECT_EQ(picture->Width(), 3);
    EXPECT_EQ(Letters(*picture), "RGB");
}

TEST(GIFGraphic, LocalTableReplacesTheGlobalOne) {
    TBytes gif = StartGif(2, 1);
    AppendImage(gif, 2, 1, {0, 1}, Table({0, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0, 0}));
    gif.push_back(0x3B);
    const auto picture = Load(gif);
    EXPECT_EQ(Letters(*picture), "BG");
}

TEST(GIFGraphic, InterlacedRowsLandInTheirPlaces) {
    // Ten rows, each one pixel wide; stored in the order 0 8 | 4 | 2 6 | 1 3 5 7 9.
    const uint8_t colorOfRow[10] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1};
    TBytes stored;
    for (int row : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9})
        stored.push_back(colorOfRow[row]);
    TBytes gif = StartGif(1, 10);
    AppendImage(gif, 1, 10, stored, {}, true);
    gif.push_back(0x3B);
    EXPECT_EQ(Letters(*Load(gif)), "KRGBKRGBKR");
}

TEST(GIFGraphic, OnlyTheFirstImageIsShownAndExtensionsAreSkipped) {
    TBytes gif = StartGif(2, 1);
    gif.insert(gif.end(), {0x21, 0xF9, 4, 1, 0, 0, 3, 0});    // graphic control
    gif.insert(gif.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 0}); // comment
    gif.insert(gif.end(), {0x21, 0x01, 2, 9, 9, 1, 0x2C, 0}); // plain text, data 0x2C
    gif.insert(gif.end(), {0x21, 0xFF, 2, 0x3B, 0x3B, 0});    // application
    AppendImage(gif, 2, 1, {2, 3});
    AppendImage(gif, 2, 1, {1, 1});
    gif.push_back(0x3B);
    EXPECT_EQ(Letters(*Load(gif)), "GB");
}

TEST(GIFGraphic, HeaderAndTrailerOnlyLoadsEmpty) {
    TBytes gif = StartGif(5, 5);
    gif.push_back(0x3B);
    gif.resize(30, 0); // CanLoad wants more than 22 bytes; the padding is never read
    TMemoryStream stream(gif.data(), gif.size());
    EXPECT_TRUE(TGIFGraphic::CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    const auto picture = Load(gif);
    EXPECT_TRUE(picture->Empty());
}

TEST(GIFGraphic, BadFilesEndInAnError) {
    TBytes notGif = StartGif(2, 1);
    notGif[0] = 'X';
    EXPECT_THROW(Load(notGif), EInvalidGraphic);
    TBytes badVersion = StartGif(2, 1);
    badVersion[3] = 'x';
    EXPECT_THROW(Load(badVersion), EConvertError);
    TBytes cut = StartGif(2, 1);
    cut.insert(cut.end(), {0x21, 0xFE, 10, 1, 2});
    EXPECT_THROW(Load(cut), EReadError);
}

TEST(GIFGraphic, DataEndingEarlyLeavesTheRestAtIndexZero) {
    TBytes gif = StartGif(4, 1);
    AppendImage(gif, 4, 1, {3, 3, 3, 3});
    gif.resize(gif.size() - 2); // cut inside the data: the last code is lost
    const auto picture = Load(gif);
    EXPECT_EQ(picture->Width(), 4);
    EXPECT_EQ(Letters(*picture).back(), 'K');
}

TEST(GIFGraphic, DataFarTooShortForTheClaimedSizeAreRefusedBeforeSizing) {
    TBytes gif = StartGif(16000, 16000);
    AppendImage(gif, 16000, 16000, {1, 2, 3, 0});
    gif.push_back(0x3B);
    TMemoryStream stream(gif.data(), gif.size());
    TGIFGraphic picture;
    EXPECT_THROW(picture.LoadFromStream(stream), EInvalidGraphic);
    EXPECT_TRUE(picture.Empty());
}

using GIFConformance = TRegisteredFormatsTest;

// GIF transparency is not applied, so the transparent files differ from the references by
// design; their pictures are covered by the hand-made files above.
TEST_F(GIFConformance, OpaqueFilesMatchTheReferenceAndCorruptOnesFail) {
    int compared = 0;
    const bool found =
        CheckConformanceCases("gif", [&](const TConformanceCase& c, const std::string& path) {
            const TRgbPicture picture = DecodeToRgb(path);
            // The first image of an animation has its own size, which the viewer shows without
            // the rest of the screen.
            if (c.Features.find(" 1 frame") == std::string::npos)
                return;
            EXPECT_EQ(picture.Width, c.Width);
            EXPECT_EQ(picture.Height, c.Height);
            if (c.Features.find("transparency") != std::string::npos)
                return;
            EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
            ++compared;
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
    EXPECT_GE(compared, 6);
}

} // namespace
