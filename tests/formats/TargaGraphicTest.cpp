#include "formats/TargaGraphic.h"
#include "platform/Exceptions.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Header(uint8_t imageType, uint16_t width, uint16_t height, uint8_t depth,
              uint8_t descriptor = 0x20, uint8_t mapType = 0, uint16_t mapLength = 0,
              uint8_t entrySize = 24, uint8_t idLength = 0) {
    return {idLength,
            mapType,
            imageType,
            0,
            0,
            uint8_t(mapLength),
            uint8_t(mapLength >> 8),
            entrySize,
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(height),
            uint8_t(height >> 8),
            depth,
            descriptor};
}

std::unique_ptr<TTargaGraphic> Load(const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto tga = std::make_unique<TTargaGraphic>();
    tga->LoadFromStream(stream);
    return tga;
}

TEST(TargaGraphic, BottomUpFilesAreShownUpright) {
    // Two rows of one 24-bit pixel (blue, green, red): stored bottom row first.
    const auto tga = Load(JoinBytes({Header(2, 1, 2, 24, 0), {1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({6, 5, 4, 3, 2, 1}));
    const auto topDown = Load(JoinBytes({Header(2, 1, 2, 24, 0x20), {1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(RenderRgbTopDown(*topDown), TBytes({3, 2, 1, 6, 5, 4}));
}

TEST(TargaGraphic, SixteenBitColourMapEntries) {
    const auto tga =
        Load(JoinBytes({Header(1, 2, 1, 8, 0x20, 1, 2, 16), {0xFF, 0x7F, 0x1F, 0x00}, {0, 1}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({248, 248, 248, 0, 0, 248}));
}

TEST(TargaGraphic, FifteenBitColourMapEntriesTakeTwoBytesEach) {
    const auto tga =
        Load(JoinBytes({Header(1, 2, 1, 8, 0x20, 1, 2, 15), {0xFF, 0x7F, 0x1F, 0x00}, {1, 0}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({0, 0, 248, 248, 248, 248}));
}

TEST(TargaGraphic, TwentyFourBitColourMapIsBlueGreenRed) {
    const auto tga = Load(JoinBytes({Header(1, 1, 1, 8, 0x20, 1, 1, 24), {10, 20, 30}, {0}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({30, 20, 10}));
}

TEST(TargaGraphic, GrayscaleGetsAFullGrayRamp) {
    const auto tga = Load(JoinBytes({Header(3, 3, 1, 8), {0, 128, 255}}));
    ASSERT_EQ(tga->Palette().size(), 256u);
    EXPECT_EQ(tga->Palette()[77], (TPaletteEntry{77, 77, 77, 0}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({0, 0, 0, 128, 128, 128, 255, 255, 255}));
}

TEST(TargaGraphic, RunLengthPacketsCrossingRowsKeepTheStreamInStep) {
    // 2 x 2 gray: a run of 3 pixels (value 7) spills one pixel past row 0 and is cut there;
    // row 1 continues with the next packet, a raw packet of 2 pixels.
    const auto tga = Load(JoinBytes({Header(11, 2, 2, 8), {0x82, 7, 0x01, 8, 9}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({7, 7, 7, 7, 7, 7, 8, 8, 8, 9, 9, 9}));
}

TEST(TargaGraphic, CanLoadChecksTheHeaderFields) {
    const TBytes good = JoinBytes({Header(2, 1, 1, 24), {1, 2, 3}});
    TMemoryStream stream(good.data(), good.size());
    EXPECT_TRUE(TTargaGraphic::CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    const TBytes noEntrySize = JoinBytes({Header(2, 1, 1, 24, 0x20, 0, 0, 0), {1, 2, 3}});
    TMemoryStream bad(noEntrySize.data(), noEntrySize.size());
    EXPECT_FALSE(TTargaGraphic::CanLoad(bad));
}

// A type without rows (a fuzzer's find: type 58, 4160 x 50256) is held to the run-length
// rate; a small one is still the blank picture its header claims.
TEST(TargaGraphic, SizesBeyondTheDataAreRefused) {
    EXPECT_THROW(Load(JoinBytes({Header(2, 60000, 60000, 32), {1, 2, 3}})), EInvalidGraphic);
    EXPECT_THROW(Load(JoinBytes({Header(10, 4000, 4000, 32), {1, 2, 3}})), EInvalidGraphic);
    EXPECT_THROW(Load(JoinBytes({Header(58, 4160, 50256, 15), {1, 2, 3}})), EInvalidGraphic);
    const auto blank = Load(JoinBytes({Header(0, 24, 16, 24), TBytes(3, 0xAA)}));
    EXPECT_EQ(RenderRgbTopDown(*blank), TBytes(24 * 16 * 3, 0));
}

TEST(TargaGraphic, SavingWritesRunLengthWithAFixedColourMapHeader) {
    const auto tga = Load(
        JoinBytes({Header(2, 3, 2, 24), {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 4, 5, 6}}));
    TMemoryStream saved;
    tga->SaveToStream(saved);
    const TBytes& bytes = saved.Memory();
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(bytes[2], 10);
    EXPECT_EQ(bytes[16], 24);
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 256);
    EXPECT_EQ(bytes[7], 24);
    EXPECT_EQ(bytes[17], 0x20);
    EXPECT_EQ(TBytes(bytes.begin() + 18, bytes.begin() + 22), TBytes({0x82, 1, 2, 3}));
    EXPECT_EQ(RenderRgbTopDown(*Load(bytes)), RenderRgbTopDown(*tga));
}

TEST(TargaGraphic, SavedPalettedPicturesRoundTrip) {
    const auto tga = Load(
        JoinBytes({Header(1, 2, 2, 8, 0x20, 1, 2, 24), {10, 20, 30, 40, 50, 60}, {0, 1, 1, 1}}));
    TMemoryStream saved;
    tga->SaveToStream(saved);
    EXPECT_EQ(saved.Memory()[2], 9);
    EXPECT_EQ(saved.Memory().size(), 18u + 768u + 3u + 2u);
    EXPECT_EQ(RenderRgbTopDown(*Load(saved.Memory())), RenderRgbTopDown(*tga));
}

using TargaConformance = TRegisteredFormatsTest;

// 5-bit samples are widened by a shift of 3 (the references replicate the top bits), 16-bit
// gray-alpha is not a kind the reader knows, and a 32-bit file whose alpha bytes are all 0 is
// drawn opaque: those are compared with their twins instead.
bool DiffersByDesign(const TConformanceCase& c) {
    for (const char* kind : {"16-bit", "15-bit", "utc32"})
        if (c.Features.find(kind) != std::string::npos || c.Path.find(kind) != std::string::npos)
            return true;
    return false;
}

TEST_F(TargaConformance, FilesMatchTheReferenceAndCorruptOnesFail) {
    int compared = 0;
    const bool found =
        CheckConformanceCases("tga", [&](const TConformanceCase& c, const std::string& path) {
            const TRgbPicture picture = DecodeToRgb(path);
            EXPECT_EQ(picture.Width, c.Width);
            EXPECT_EQ(picture.Height, c.Height);
            if (DiffersByDesign(c) || c.ReferenceSha256.empty())
                return;
            EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
            ++compared;
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
    EXPECT_GE(compared, 8);
}

TEST_F(TargaConformance, TwinsDecodeAlike) {
    if (ConformanceDirectory().empty())
        GTEST_SKIP() << "conformance corpus not found";
    const char* pairs[][2] = {{"ucm8", "ccm8"}, {"utc32", "utc24"}, {"ubw8", "cbw8"}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair[0]);
        const std::string dir = ConformanceDirectory() + "/tga/";
        EXPECT_EQ(DecodeToRgb(dir + pair[0] + ".tga").Pixels,
                  DecodeToRgb(dir + pair[1] + ".tga").Pixels);
    }
}

TEST(TargaGraphic, RowsStoredRightToLeftAreTurnedRound) {
    const auto tga = Load(JoinBytes({Header(3, 3, 1, 8, 0x30), {1, 2, 3}}));
    EXPECT_EQ(RenderRgbTopDown(*tga), TBytes({3, 3, 3, 2, 2, 2, 1, 1, 1}));
}

TEST(TargaGraphic, RunLengthDataEndingBeforeTheLastRowFails) {
    EXPECT_THROW(Load(JoinBytes({Header(11, 2, 3, 8), {0x81, 7}})), EInvalidGraphic);
}

} // namespace
