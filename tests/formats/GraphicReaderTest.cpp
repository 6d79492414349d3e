#include "formats/GraphicReader.h"

#include "formats/EPSGraphic.h"
#include "formats/GraphicStrings.h"
#include "formats/PSDGraphic.h"
#include "formats/PSPGraphic.h"
#include "formats/TIFFGraphic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// A reader of a made-up format, "GRAY" + width + height + 8-bit gray rows, that runs the
// shared frame the way the real readers do.
class TGrayTestReader : public TGraphicReader {
public:
    static bool CanLoad(TStream& stream) {
        const int64_t start = stream.Position();
        char signature[4] = {};
        const bool known = stream.Read(signature, 4) == 4 && std::memcmp(signature, "GRAY", 4) == 0;
        stream.SetPosition(start);
        return known;
    }

    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override {
        TGraphicReader::ReadImageProperties(stream, imageIndex);
        if (!CanLoad(stream))
            return false;
        uint8_t header[6];
        stream.ReadBuffer(header, 6);
        ImageProperties.Width = header[4];
        ImageProperties.Height = header[5];
        ImageProperties.ColorScheme = psGray;
        ImageProperties.BitsPerSample = 8;
        ImageProperties.SamplesPerPixel = 1;
        ImageProperties.BitsPerPixel = 8;
        ImageProperties.Compression = ctNone;
        return true;
    }

    void LoadFromStream(TStream& stream) override {
        BeginLoad(stream);
        if (!ReadImageProperties(stream, 0))
            GraphicErrorFmt(gesInvalidImage, "GRAY");
        stream.SetPosition(BasePosition + 6);
        StartPreparing();
        SetupColorManager(psGray, 8, 1);
        SetPalette(ColorManager.MakeGrayPalette(false));
        SetSize(ImageProperties.Width, ImageProperties.Height);
        StartTransferring();
        std::vector<uint8_t> row(static_cast<size_t>(Width()));
        for (int32_t y = 0; y < Height(); ++y) {
            stream.ReadBuffer(row.data(), int64_t(row.size()));
            ColorManager.ConvertPixels(row.data(), ScanLine(y), uint32_t(Width()));
            RowTransferred(y);
        }
        FinishTransferring();
    }
};

TMemoryStream GrayFile(uint8_t width, uint8_t height) {
    std::vector<uint8_t> bytes = {'G', 'R', 'A', 'Y', width, height};
    for (int i = 0; i < width * height; ++i)
        bytes.push_back(uint8_t(i * 10));
    return TMemoryStream(std::move(bytes));
}

TEST(GraphicReader, BasePropertiesAreClearedWithUnitGamma) {
    TGrayTestReader reader;
    TImageProperties& p = reader.ImageProperties;
    p.Version = 89, p.Options = ioBigEndian, p.Width = 5, p.Height = 6, p.ColorScheme = psRGB;
    p.BitsPerSample = 8, p.SamplesPerPixel = 3, p.BitsPerPixel = 24, p.Compression = ctLZ77;
    p.FileGamma = 0.45f, p.XResolution = 72, p.YResolution = 72, p.Interlaced = true;
    p.HasAlpha = true, p.FilterMode = 1;
    TMemoryStream empty;
    EXPECT_FALSE(reader.TGraphicReader::ReadImageProperties(empty, 0));
    EXPECT_EQ(p.FileGamma, 1.0f);
    for (uint32_t value :
         {p.Version, p.Options, uint32_t(p.Width), uint32_t(p.Height), uint32_t(p.ColorScheme),
          uint32_t(p.BitsPerSample), uint32_t(p.SamplesPerPixel), uint32_t(p.BitsPerPixel),
          uint32_t(p.Compression)})
        EXPECT_EQ(value, 0u);
    EXPECT_EQ(p.XResolution, 0.0f);
    EXPECT_EQ(p.YResolution, 0.0f);
    EXPECT_FALSE(p.Interlaced);
    EXPECT_FALSE(p.HasAlpha);
    EXPECT_EQ(p.FilterMode, 0);
    EXPECT_FALSE(TGraphicReader::CanLoad(empty));
}

TEST(GraphicReader, FrameLoadsRowsAndReportsProgressInOrder) {
    struct TEvent {
        TProgressStage Stage;
        uint8_t Percent;
        bool Redraw;
        TRect Rect;
        std::string Message;
    };
    std::vector<TEvent> events;
    TGrayTestReader reader;
    reader.OnProgress = [&](TProgressStage stage, uint8_t percent, bool redraw, const TRect& rect,
                            const std::string& message) {
        events.push_back({stage, percent, redraw, rect, message});
    };
    TMemoryStream file = GrayFile(4, 3);
    file.SetPosition(0);
    reader.LoadFromStream(file);
    EXPECT_EQ(reader.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(reader.ScanLine(2)[3], 110);
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].Stage, TProgressStage::psStarting);
    EXPECT_EQ(events[0].Message, "Preparing...");
    EXPECT_EQ(events[0].Rect, (TRect{0, 0, 4, 1}));
    EXPECT_EQ(events[1].Stage, TProgressStage::psEnding);
    EXPECT_EQ(events[2].Message, "Transfering...");
    for (int row = 0; row < 3; ++row) {
        const TEvent& e = events[3 + row];
        EXPECT_EQ(e.Stage, TProgressStage::psRunning);
        EXPECT_EQ(e.Percent, row * 100 / 3);
        EXPECT_TRUE(e.Redraw);
        EXPECT_EQ(e.Rect, (TRect{0, row, 4, row + 1}));
    }
    EXPECT_EQ(events[6].Stage, TProgressStage::psEnding);
}

TEST(GraphicReader, OffsetsAreRelativeToWhereTheLoadStarted) {
    std::vector<uint8_t> bytes = {0xEE, 0xEE};
    const std::vector<uint8_t> picture = GrayFile(2, 1).Memory();
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    TMemoryStream file(std::move(bytes));
    file.SetPosition(2);
    TGrayTestReader reader;
    reader.LoadFromStream(file);
    EXPECT_EQ(reader.BasePosition, 2);
    EXPECT_EQ(reader.Stream, &file);
    EXPECT_EQ(reader.ScanLine(0)[1], 10);
}

TEST(GraphicReader, RejectedHeaderRaisesBeforeTheBitmapIsSized) {
    const std::string text = "NOPE";
    TMemoryStream file(text.data(), text.size());
    TGrayTestReader reader;
    try {
        reader.LoadFromStream(file);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected GRAY image format.");
    }
    EXPECT_TRUE(reader.Empty());
}

TEST(GraphicReader, CanLoadFileLeavesNothingOpen) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "pelorama-canload-test.gray";
    {
        std::ofstream out(path, std::ios::binary);
        out << "GRAY\x01\x01\x7f";
    }
    EXPECT_TRUE(TGraphicReader::CanLoadFile<TGrayTestReader>(path.string()));
    EXPECT_FALSE(TGraphicReader::CanLoadFile<TGraphicReader>(path.string()));
    std::filesystem::remove(path);
}

TEST(GraphicReader, AssignCopiesPropertiesFromReadersOnly) {
    TGrayTestReader source;
    TMemoryStream file = GrayFile(3, 2);
    source.LoadFromStream(file);
    source.ImageProperties.XResolution = 300;
    TGrayTestReader copy;
    copy.Assign(source);
    EXPECT_EQ(copy.ImageProperties.Width, 3);
    EXPECT_EQ(copy.ImageProperties.XResolution, 300.0f);
    EXPECT_EQ(copy.Height(), 2);
    EXPECT_EQ(copy.ScanLine(1)[2], 50);

    TBitmap plain;
    plain.SetPixelFormat(TPixelFormat::pf24bit);
    plain.SetSize(1, 1);
    copy.Assign(plain);
    EXPECT_EQ(copy.ImageProperties.Width, 3); // a plain bitmap has no properties to give
    EXPECT_EQ(copy.Width(), 1);
}

TEST(GraphicReader, ErrorRoutinesRaiseInvalidGraphic) {
    EXPECT_THROW(GraphicError("plain"), EInvalidGraphic);
    std::string message = "nothing raised";
    try {
        GraphicErrorFmt(gesUnsupportedFeature, gesCompressionScheme, "PNG");
    } catch (const EInvalidGraphic& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Cannot load image. The compression scheme is not supported for PNG files.");
}

struct TPlaceholderCase {
    TGraphicClass GraphicClass;
    const char* Message;
};

class ReaderStillToCome : public ::testing::TestWithParam<TPlaceholderCase> {};

TEST_P(ReaderStillToCome, RefusesEveryFileWithItsFormatName) {
    std::unique_ptr<TGraphic> picture = GetParam().GraphicClass->Create();
    TMemoryStream file = GrayFile(2, 2);
    try {
        picture->LoadFromStream(file);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), GetParam().Message);
    }
    EXPECT_TRUE(picture->Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, ReaderStillToCome,
    ::testing::Values(
        TPlaceholderCase{&TTIFFGraphic::ClassInfo,
                         "Cannot load image. Invalid or unexpected TIF/TIFF image format."},
        TPlaceholderCase{&TEPSGraphic::ClassInfo,
                         "Cannot load image. Invalid or unexpected EPS image format."},
        TPlaceholderCase{&TPSDGraphic::ClassInfo,
                         "Cannot load image. Invalid or unexpected PSD or PDD image format."},
        TPlaceholderCase{&TPSPGraphic::ClassInfo,
                         "Cannot load image. Invalid or unexpected PSP image format."}),
    [](const auto& info) { return std::string(info.param.GraphicClass->ClassName); });

} // namespace
