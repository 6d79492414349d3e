#include "formats/JPEGImage.h"

#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "support/PictureRendering.h"
#include "support/Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Fixture(const std::string& name) {
    return std::string(PELORAMA_TEST_DATA) + "/jpeg/" + name;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    TFileStream file(path, TFileMode::fmOpenRead);
    std::vector<uint8_t> bytes(size_t(file.Size()));
    file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

std::string RenderedDigest(const TGraphic& picture) {
    const std::vector<uint8_t> rgb = RenderRgbTopDown(picture);
    return Sha256Hex(rgb.data(), rgb.size());
}

struct TDjpegCase {
    const char* File;
    const char* Sha256; // of djpeg's decode, see tests/data/README.md
};

class JPEGMatchesDjpeg : public ::testing::TestWithParam<TDjpegCase> {};

TEST_P(JPEGMatchesDjpeg, PixelForPixel) {
    TJPEGImage image;
    image.LoadFromFile(Fixture(GetParam().File));
    EXPECT_EQ(image.Width(), 48);
    EXPECT_EQ(image.Height(), 32);
    EXPECT_EQ(RenderedDigest(image), GetParam().Sha256);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, JPEGMatchesDjpeg,
    ::testing::Values(
        TDjpegCase{"baseline420.jpg",
                   "6903d1e310f6ebc42816e46358f0b607a0354a61fb02d3fd6547b5acdb5ad5ce"},
        TDjpegCase{"baseline444.jpg",
                   "408978a10e2309168058f93f1406adfacd15ceb9e00401e9bb8fd9f4f9962342"},
        TDjpegCase{"progressive.jpg",
                   "6903d1e310f6ebc42816e46358f0b607a0354a61fb02d3fd6547b5acdb5ad5ce"},
        TDjpegCase{"restart.jpg",
                   "6903d1e310f6ebc42816e46358f0b607a0354a61fb02d3fd6547b5acdb5ad5ce"},
        TDjpegCase{"grayscale.jpg",
                   "c4c80e2502d78e7e81e0056e48f558c83c0d2bc2e56b784de3e3e9dbe73bc3df"},
        TDjpegCase{"truncated.jpg",
                   "5514cf3d4cbe99ef977827bac111b97b787cd974d3190662a944ade6eea8844a"}),
    [](const auto& info) {
        std::string name = info.param.File;
        return name.substr(0, name.find('.'));
    });

TEST(JPEGImage, LoadingReadsTheHeaderOnly) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("progressive.jpg"));
    EXPECT_EQ(image.Data().Width, 48);
    EXPECT_EQ(image.Data().Height, 32);
    EXPECT_FALSE(image.Data().Grayscale);
    EXPECT_TRUE(image.Data().Progressive);
    EXPECT_TRUE(image.ProgressiveEncoding);
    EXPECT_TRUE(image.Palette().empty()); // nothing decoded yet
    EXPECT_EQ(image.Bitmap().PixelFormat(), TPixelFormat::pf24bit);
}

// A small progressive file claiming 4096 x 4096 makes libjpeg keep 48 MiB of coefficients
// beside the 48 MiB bitmap: over a budget of 64 MiB it is refused before taking them.
TEST(JPEGImage, ProgressiveCoefficientsCountAgainstTheBudget) {
    std::vector<uint8_t> bytes = FileBytes(Fixture("progressive.jpg"));
    const uint8_t startOfFrame[] = {0xFF, 0xC2};
    const auto frame = std::search(bytes.begin(), bytes.end(), startOfFrame, startOfFrame + 2);
    ASSERT_NE(frame, bytes.end());
    frame[5] = frame[7] = 0x10; // height and width 0x1000
    frame[6] = frame[8] = 0x00;
    struct TBudget {
        TBudget() { SetPictureMemoryBudget(int64_t(64) << 20); }
        ~TBudget() { SetPictureMemoryBudget(0); }
    } budget;
    const TPictureLoadScope load;
    TJPEGImage image;
    TMemoryStream stream(bytes.data(), bytes.size());
    image.LoadFromStream(stream);
    EXPECT_EQ(image.Width(), 4096);
    EXPECT_THROW(image.Bitmap(), EPictureMemory);
}

TEST(JPEGImage, GrayscaleDecodesToEightBitsWithLibjpegsGrayMap) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("grayscale.jpg"));
    EXPECT_TRUE(image.Data().Grayscale);
    const TBitmap& bitmap = image.Bitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    const TLogPalette& palette = image.Palette();
    ASSERT_EQ(palette.size(), 236u);
    EXPECT_EQ(palette.front(), (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(palette.back(), (TPaletteEntry{255, 255, 255, 0}));
    for (size_t i = 1; i < palette.size(); ++i) {
        EXPECT_EQ(palette[i].peRed, palette[i].peGreen);
        EXPECT_EQ(palette[i].peRed, palette[i].peBlue);
        EXPECT_GT(palette[i].peRed, palette[i - 1].peRed);
    }
}

TEST(JPEGImage, CorruptDataFailsWhenFirstDrawnNotWhenLoaded) {
    TJPEGImage image;
    ASSERT_NO_THROW(image.LoadFromFile(Fixture("corrupt.jpg")));
    EXPECT_EQ(image.Width(), 48);
    try {
        RenderRgbTopDown(image);
        FAIL() << "no exception";
    } catch (const EJPEG& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Erreur JPEG #", 0), 0u) << e.what();
    }
    // The failure leaves no half-made bitmap behind: the next attempt fails the same way.
    EXPECT_THROW(image.Bitmap(), EJPEG);
}

TEST(JPEGImage, NotAJpegFailsAtLoadWithLibjpegsCode) {
    const std::string text = "this is not a picture";
    TMemoryStream stream(text.data(), text.size());
    TJPEGImage image;
    EXPECT_THROW(image.LoadFromStream(stream), EJPEG);
}

TEST(JPEGImage, TruncatedFileKeepsTheRowsBeforeTheCut) {
    TJPEGImage whole, truncated;
    whole.LoadFromFile(Fixture("baseline444.jpg"));
    truncated.LoadFromFile(Fixture("truncated.jpg"));
    const std::vector<uint8_t> a = RenderRgbTopDown(whole);
    const std::vector<uint8_t> b = RenderRgbTopDown(truncated);
    ASSERT_EQ(a.size(), b.size());
    const size_t firstBand = 16 * 48 * 3; // the rows whose data are all in the file
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + firstBand, b.begin()));
    EXPECT_NE(a, b);
}

TEST(JPEGImage, EmptyStreamGivesAnEmptyPictureUntilPixelsAreNeeded) {
    TMemoryStream stream;
    TJPEGImage image;
    ASSERT_NO_THROW(image.LoadFromStream(stream));
    EXPECT_EQ(image.Width(), 0);
    EXPECT_TRUE(image.Empty());
    EXPECT_THROW(image.Bitmap(), EJPEG);
}

TEST(JPEGImage, RefusesToBeResized) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("baseline420.jpg"));
    for (auto resize : {&TJPEGImage::SetWidth, &TJPEGImage::SetHeight}) {
        try {
            (image.*resize)(10);
            FAIL() << "no exception";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Impossible de modifier la taille d'une image JPEG");
        }
    }
    EXPECT_EQ(image.Width(), 48);
}

TEST(JPEGImage, SavesTheDataAsTheyAre) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("restart.jpg"));
    image.Bitmap();
    TMemoryStream saved;
    image.SaveToStream(saved);
    EXPECT_EQ(saved.Memory(), FileBytes(Fixture("restart.jpg")));
}

TEST(JPEGImage, AssignSharesTheData) {
    TJPEGImage source;
    source.LoadFromFile(Fixture("baseline444.jpg"));
    TJPEGImage copy;
    copy.Assign(source);
    EXPECT_EQ(&copy.Data(), &source.Data());
    EXPECT_EQ(RenderRgbTopDown(copy), RenderRgbTopDown(source));
}

TEST(JPEGImage, AssignedBitmapIsCompressedWhenSaved) {
    TBitmap gradient;
    gradient.SetPixelFormat(TPixelFormat::pf24bit);
    gradient.SetSize(32, 24);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            uint8_t* p = gradient.ScanLine(y) + x * 3;
            p[0] = 128, p[1] = uint8_t(y * 8), p[2] = uint8_t(x * 6);
        }
    TJPEGImage fromBitmap;
    fromBitmap.Assign(gradient);
    fromBitmap.CompressionQuality = 100;
    TMemoryStream saved;
    fromBitmap.SaveToStream(saved);
    saved.SetPosition(0);
    TJPEGImage reloaded;
    reloaded.LoadFromStream(saved);
    ASSERT_EQ(reloaded.Width(), 32);
    const std::vector<uint8_t> expected = RenderRgbTopDown(gradient);
    const std::vector<uint8_t> actual = RenderRgbTopDown(reloaded);
    ASSERT_EQ(expected.size(), actual.size());
    int worst = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        worst = std::max(worst, std::abs(int(expected[i]) - int(actual[i])));
    EXPECT_LE(worst, 6); // a smooth picture survives quality 100 almost unchanged
}

TEST(JPEGImage, ScaledDecodingRoundsTheSizeUp) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("baseline420.jpg"));
    image.SetScale(TJPEGScale::jsEighth);
    EXPECT_EQ(image.Width(), 6);
    EXPECT_EQ(image.Height(), 4);
    image.SetScale(TJPEGScale::jsQuarter);
    EXPECT_EQ(image.Bitmap().Width(), 12);
    EXPECT_EQ(image.Bitmap().Height(), 8);
}

TEST(JPEGImage, ReportsStartAndEndAndStopsQuietlyOnAbort) {
    TJPEGImage image;
    image.LoadFromFile(Fixture("baseline420.jpg"));
    std::vector<TProgressStage> stages;
    image.OnProgress = [&](TProgressStage stage, uint8_t, bool, const TRect& rect,
                           const std::string&) {
        stages.push_back(stage);
        EXPECT_EQ(rect, (TRect{0, 0, 48, 32}));
    };
    image.Bitmap();
    EXPECT_EQ(stages.front(), TProgressStage::psStarting);
    EXPECT_EQ(stages.back(), TProgressStage::psEnding);
    EXPECT_LE(stages.size(), 3u); // a picture this small decodes within one interval

    TJPEGImage aborted;
    aborted.LoadFromFile(Fixture("baseline420.jpg"));
    aborted.OnProgress = [](TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
        if (stage == TProgressStage::psStarting)
            throw EAbort("stop");
    };
    ASSERT_NO_THROW(aborted.Bitmap());
    EXPECT_EQ(aborted.Bitmap().Width(), 48);
    EXPECT_EQ(aborted.Bitmap().ScanLine(0)[0], 0); // nothing decoded
}

} // namespace
