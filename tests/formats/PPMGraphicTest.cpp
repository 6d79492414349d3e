#include "formats/PPMGraphic.h"
#include "platform/Exceptions.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

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

// Samples are scaled to v * 255 / maxval, rounded; values above maxval count as maxval.
TEST(PPMGraphic, SamplesAreScaledByTheMaximumValue) {
    struct TCase {
        std::string Header;
        TBytes Samples;
        TBytes Gray;
    };
    const TCase cases[] = {
        {"P2\n4 1\n15\n", Text("0 7 15 99\n"), {0, 119, 255, 255}},
        {"P5\n4 1\n15\n", {0, 7, 15, 99}, {0, 119, 255, 255}},
        {"P5\n3 1\n1023\n", {0x02, 0x00, 0x03, 0xFF, 0x00, 0x01}, {128, 255, 0}},
        {"P2\n3 1\n65535\n", Text("4660 65280 32896\n"), {18, 254, 128}},
        {"P5\n2 1\n1\n", {0, 1}, {0, 255}},
        {"P2\n1 1\n255\n", Text("300\n"), {255}},
    };
    for (const TCase& c : cases) {
        TBytes file = Text(c.Header);
        file.insert(file.end(), c.Samples.begin(), c.Samples.end());
        TBytes expected;
        for (uint8_t level : c.Gray)
            expected.insert(expected.end(), {level, level, level});
        EXPECT_EQ(RenderRgbTopDown(*Load(file)), expected) << c.Header;
    }
    TBytes pixmap = Text("P6\n1 1\n100\n");
    pixmap.insert(pixmap.end(), {100, 50, 1});
    EXPECT_EQ(RenderRgbTopDown(*Load(pixmap)), TBytes({255, 128, 3}));
    EXPECT_EQ(RenderRgbTopDown(*Load("P3\n1 1\n7\n1 2 3\n")), TBytes({36, 73, 109}));
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
    EXPECT_THROW(Load("P5\n1 1\n0\n\x01"), EInvalidGraphic);
    EXPECT_THROW(Load("P5\n1 1\n65536\n\x01\x01"), EInvalidGraphic);
    // 4294967300 saturates; wrapped to 32 bits it would be a width of 4.
    EXPECT_THROW(Load("P5\n4294967300 1\n255\nabcd"), EInvalidGraphic);
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

// PAM (P7) is not read: it is only checked to load. 16-bit samples are scaled by v * 255 /
// 65535 where the references take v >> 8, at most 1 apart: they are compared with the 8-bit
// file of the same picture (the same reference) where the corpus has one.
TEST_F(PPMConformance, FilesMatchTheReferenceAndCorruptOnesFail) {
    int compared = 0;
    std::map<std::string, TRgbPicture> byReference;
    std::vector<std::pair<std::string, TRgbPicture>> wide;
    const bool found =
        CheckConformanceCases("pnm", [&](const TConformanceCase& c, const std::string& path) {
            if (c.Features.find("P7") != std::string::npos)
                return;
            TRgbPicture picture;
            ASSERT_NO_THROW(picture = DecodeToRgb(path));
            EXPECT_EQ(picture.Width, c.Width);
            EXPECT_EQ(picture.Height, c.Height);
            if (c.Features.find("16-bit") != std::string::npos) {
                wide.emplace_back(c.ReferenceSha256, picture);
                return;
            }
            EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
            byReference[c.ReferenceSha256] = picture;
            ++compared;
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
    EXPECT_GE(compared, 9);
    int twins = 0;
    for (const auto& [reference, picture] : wide) {
        const auto twin = byReference.find(reference);
        if (twin == byReference.end())
            continue;
        ASSERT_EQ(picture.Pixels.size(), twin->second.Pixels.size());
        for (size_t i = 0; i < picture.Pixels.size(); ++i)
            ASSERT_LE(std::abs(picture.Pixels[i] - twin->second.Pixels[i]), 1) << i;
        ++twins;
    }
    EXPECT_GE(twins, 2);
}

} // namespace
