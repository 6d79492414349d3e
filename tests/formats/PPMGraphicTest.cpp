#include "formats/PPMGraphic.h"
#include "platform/Exceptions.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Text(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

std::unique_ptr<TPPMGraphic> Load(const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto ppm = std::make_unique<TPPMGraphic>();
    ppm->LoadFromStream(stream);
    return ppm;
}

std::unique_ptr<TPPMGraphic> Load(const std::string& text) {
    return Load(Text(text));
}

TEST(PPMGraphic, CommentsBetweenAndAfterTheNumbersAreSkipped) {
    const auto ppm = Load("P2\n# one\n# two\n2 # width\n1\n255\n7 200\n");
    EXPECT_EQ(ppm->Width(), 2);
    EXPECT_EQ(RenderRgbTopDown(*ppm), TBytes({7, 7, 7, 200, 200, 200}));
}

TEST(PPMGraphic, AsciiBitmapRowsArePackedLeftAligned) {
    const auto ppm = Load("P1\n10 1\n1 0 1 1 0 0 0 0 1 1\n");
    EXPECT_EQ(ppm->PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(ppm->ScanLine(0)[0], 0b10110000);
    EXPECT_EQ(ppm->ScanLine(0)[1], 0b11000000);
    const TBytes rgb = RenderRgbTopDown(*ppm);
    EXPECT_EQ(rgb[0], 0);   // 1 is black
    EXPECT_EQ(rgb[3], 255); // 0 is white
}

TEST(PPMGraphic, AsciiBitmapDigitsMayRunTogether) {
    EXPECT_EQ(RenderRgbTopDown(*Load("P1\n10 1\n10110000 # comment\n11")),
              RenderRgbTopDown(*Load("P1\n10 1\n1 0 1 1 0 0 0 0 1 1\n")));
}

TEST(PPMGraphic, BinaryBitmapMatchesTheAsciiOne) {
    TBytes binary = Text("P4\n10 1\n");
    binary.insert(binary.end(), {0b10110000, 0b11000000});
    EXPECT_EQ(RenderRgbTopDown(*Load(binary)),
              RenderRgbTopDown(*Load("P1\n10 1\n1 0 1 1 0 0 0 0 1 1\n")));
}

TEST(PPMGraphic, MaximumValueIsNotApplied) {
    const auto ppm = Load("P2\n1 1\n15\n15\n");
    EXPECT_EQ(RenderRgbTopDown(*ppm), TBytes({15, 15, 15}));
}

TEST(PPMGraphic, PixmapsAreRedGreenBlue) {
    TBytes binary = Text("P6\n2 1\n255\n");
    binary.insert(binary.end(), {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(RenderRgbTopDown(*Load(binary)), TBytes({1, 2, 3, 4, 5, 6}));
    // The magic stands on a line of its own: numbers after it on that line are lost.
    EXPECT_THROW(Load("P3 2 1 255\n1 2 3 4 5 6\n"), EInvalidGraphic);
    EXPECT_EQ(RenderRgbTopDown(*Load("P3\r\n2 1 255\r\n1 2 3 4 5 6")), TBytes({1, 2, 3, 4, 5, 6}));
}

TEST(PPMGraphic, SixteenBitBinarySamplesTakeTwoBytes) {
    TBytes binary = Text("P5\n2 1\n65535\n");
    binary.insert(binary.end(), {0xFF, 0xFF, 0x12, 0x34});
    EXPECT_EQ(RenderRgbTopDown(*Load(binary)), TBytes({255, 255, 255, 18, 18, 18}));
}

TEST(PPMGraphic, UnknownVariantsLoadEmpty) {
    EXPECT_TRUE(Load("P7\nWIDTH 2\nHEIGHT 1\nENDHDR\nxxxxxx")->Empty());
}

TEST(PPMGraphic, BadFilesEndInAnError) {
    EXPECT_THROW(Load("Q6\n1 1 255\n"), EInvalidGraphic);
    EXPECT_THROW(Load("Px\n1 1 255\n"), EConvertError);
    try {
        Load("P5\n4 4\n255\n123");
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Stream read error in PPM file.");
    }
    EXPECT_THROW(Load("P6\n0 5\n255\n"), EInvalidGraphic);
    EXPECT_THROW(Load("P6\n100000 100000\n255\n"), EInvalidGraphic);
}

TEST(PPMGraphic, CanLoadWantsPAndADigit) {
    const TBytes good = Text("P6\n1 1\n255\nabc");
    TMemoryStream stream(good.data(), good.size());
    EXPECT_TRUE(TPPMGraphic::CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    const TBytes bad = Text("P7\n1 1\n255\nabc");
    TMemoryStream badStream(bad.data(), bad.size());
    EXPECT_FALSE(TPPMGraphic::CanLoad(badStream));
}

using PPMConformance = TRegisteredFormatsTest;

// 16-bit samples are reduced by v div 257 where the references use v >> 8, and PAM (P7) is
// not read: those files are only checked to load.
TEST_F(PPMConformance, FilesMatchTheReferenceAndCorruptOnesFail) {
    int compared = 0;
    const bool found =
        CheckConformanceCases("pnm", [&](const TConformanceCase& c, const std::string& path) {
            if (c.Features.find("P7") != std::string::npos)
                return;
            TRgbPicture picture;
            ASSERT_NO_THROW(picture = DecodeToRgb(path));
            EXPECT_EQ(picture.Width, c.Width);
            EXPECT_EQ(picture.Height, c.Height);
            if (c.Features.find("16-bit") != std::string::npos)
                return;
            EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
            ++compared;
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
    EXPECT_GE(compared, 9);
}

} // namespace
