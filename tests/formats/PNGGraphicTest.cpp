#include "formats/PNGGraphic.h"
#include "formats/Icon.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "support/Conformance.h"
#include "support/PictureRendering.h"
#include "support/ReadTracingStream.h"
#include "support/Sha256.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <zlib.h>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void PutBigEndian32(TBytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

void AppendChunk(TBytes& png, const char* type, const TBytes& data) {
    PutBigEndian32(png, uint32_t(data.size()));
    const size_t typeStart = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBigEndian32(png, uint32_t(crc32(0, png.data() + typeStart, uInt(data.size() + 4))));
}

TBytes Signature() {
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

TBytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
              uint8_t interlace = 0) {
    TBytes data;
    PutBigEndian32(data, width);
    PutBigEndian32(data, height);
    data.insert(data.end(), {depth, colorType, 0, 0, interlace});
    return data;
}

TBytes Deflate(const TBytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    TBytes out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

// A whole file from a header and the filtered rows (each starting with its filter byte).
TBytes MakePng(const TBytes& header, const TBytes& rows,
               const std::vector<std::pair<const char*, TBytes>>& before = {}) {
    TBytes png = Signature();
    AppendChunk(png, "IHDR", header);
    for (const auto& [type, data] : before)
        AppendChunk(png, type, data);
    AppendChunk(png, "IDAT", Deflate(rows));
    AppendChunk(png, "IEND", {});
    return png;
}

std::unique_ptr<TPNGGraphic> Load(const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto png = std::make_unique<TPNGGraphic>();
    png->LoadFromStream(stream);
    return png;
}

std::string LoadError(const TBytes& bytes) {
    try {
        Load(bytes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

// Every gAMA chunk removed (whole chunks, so the other CRCs stay valid): the reference decodes
// ignore gamma while the viewer applies it.
TBytes WithoutGamma(const TBytes& png) {
    TBytes out(png.begin(), png.begin() + 8);
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const uint32_t length =
            uint32_t(png[pos]) << 24 | png[pos + 1] << 16 | png[pos + 2] << 8 | png[pos + 3];
        const size_t end = std::min(png.size(), pos + 12 + size_t(length));
        if (std::memcmp(&png[pos + 4], "gAMA", 4) != 0)
            out.insert(out.end(), png.begin() + pos, png.begin() + end);
        pos = end;
    }
    return out;
}

bool Has(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

// Cases where the viewer is designed to differ from the references: 16-bit samples (v div 257
// against v >> 8), palette transparency (ignored) and gray-alpha (alpha dropped). Those are
// checked with hand-made files below.
bool ComparableWithReference(const TConformanceCase& c) {
    if (Has(c.Features, "16-bit") || Has(c.Features, "gray+alpha"))
        return false;
    return !(Has(c.Features, "palette") && Has(c.Features, "tRNS"));
}

using PNGConformance = TRegisteredFormatsTest;

TEST_F(PNGConformance, ValidFilesMatchTheReferenceAndCorruptOnesFail) {
    int compared = 0;
    const bool found =
        CheckConformanceCases("png", [&](const TConformanceCase& c, const std::string& path) {
            std::unique_ptr<TPNGGraphic> png;
            ASSERT_NO_THROW(png = Load(WithoutGamma(ReadFileBytes(path))));
            EXPECT_EQ(png->Width(), c.Width);
            EXPECT_EQ(png->Height(), c.Height);
            if (!ComparableWithReference(c) || c.ReferenceSha256.empty())
                return;
            const TBytes rgb = RenderRgbTopDown(*png);
            EXPECT_EQ(Sha256Hex(rgb.data(), rgb.size()), c.ReferenceSha256);
            ++compared;
        });
    if (!found)
        GTEST_SKIP() << "conformance corpus not found";
    EXPECT_GT(compared, 100);
}

// Interlaced and plain files of the suite hold the same pictures.
TEST_F(PNGConformance, InterlacedFilesDecodeLikeTheirPlainTwins) {
    if (ConformanceDirectory().empty())
        GTEST_SKIP() << "conformance corpus not found";
    const char* pairs[][2] = {
        {"basi0g01", "basn0g01"}, {"basi0g02", "basn0g02"}, {"basi0g04", "basn0g04"},
        {"basi0g16", "basn0g16"}, {"basi2c16", "basn2c16"}, {"basi3p02", "basn3p02"},
        {"basi4a16", "basn4a16"}, {"basi6a16", "basn6a16"}, {"s01i3p01", "s01n3p01"},
        {"s07i3p02", "s07n3p02"}, {"s37i3p04", "s37n3p04"}, {"s40i3p04", "s40n3p04"}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair[0]);
        const std::string dir = ConformanceDirectory() + "/png/";
        const auto interlaced = Load(ReadFileBytes(dir + pair[0] + ".png"));
        const auto plain = Load(ReadFileBytes(dir + pair[1] + ".png"));
        EXPECT_TRUE(interlaced->ImageProperties.Interlaced);
        EXPECT_EQ(RenderRgbTopDown(*interlaced), RenderRgbTopDown(*plain));
    }
}

TEST_F(PNGConformance, IconWithPngEntryDecodesThroughTheReader) {
    for (const TConformanceCase& c : ConformanceCases("ico")) {
        if (!c.Valid || !Has(c.Features, "png") || c.ReferenceSha256.empty())
            continue;
        SCOPED_TRACE(c.Path);
        const TRgbPicture picture = DecodeToRgb(ConformanceDirectory() + "/" + c.Path);
        EXPECT_EQ(picture.Width, c.Width);
        EXPECT_EQ(picture.Sha256(), c.ReferenceSha256);
    }
}

// Rows of a 3 x 2 RGB image, filter 0.
TBytes RgbRows() {
    return {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 200, 100, 0, 255, 1, 2, 3, 4, 5};
}

TEST(PNGGraphic, ManyIdatChunksIncludingEmptyOnesDecodeAsOneStream) {
    const TBytes whole = MakePng(Header(3, 2, 8, 2), RgbRows());
    const TBytes packed = Deflate(RgbRows());
    TBytes split = Signature();
    AppendChunk(split, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(split, "IDAT", {});
    for (uint8_t byte : packed) {
        AppendChunk(split, "IDAT", {byte});
        AppendChunk(split, "IDAT", {});
    }
    AppendChunk(split, "IEND", {});
    EXPECT_EQ(RenderRgbTopDown(*Load(split)), RenderRgbTopDown(*Load(whole)));
    EXPECT_EQ(RenderRgbTopDown(*Load(whole)),
              TBytes({10, 20, 30, 40, 50, 60, 70, 80, 90, 200, 100, 0, 255, 1, 2, 3, 4, 5}));
}

// A load that stopped inside its image data leaves none of them to the next load.
TEST(PNGGraphic, ASecondLoadReadsOnlyItsOwnImageData) {
    TBytes data = Deflate(RgbRows());
    data.insert(data.end(), 200, 0x55); // refused as data after the end of the stream
    TBytes first = Signature();
    AppendChunk(first, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(first, "IDAT", data);
    AppendChunk(first, "IEND", {});
    const TBytes second = MakePng(Header(3, 2, 8, 2), RgbRows());
    TPNGGraphic png;
    TMemoryStream firstStream(first.data(), first.size());
    EXPECT_THROW(png.LoadFromStream(firstStream), EInvalidGraphic);
    TMemoryStream secondStream(second.data(), second.size());
    png.LoadFromStream(secondStream);
    EXPECT_EQ(RenderRgbTopDown(png), RenderRgbTopDown(*Load(second)));
}

TEST(PNGGraphic, ChunkTypesIgnoreCaseAndOnlyUnknownCriticalChunksFail) {
    TBytes lower = Signature();
    AppendChunk(lower, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(lower, "zzZz", {1, 2, 3});
    AppendChunk(lower, "idat", Deflate(RgbRows()));
    AppendChunk(lower, "IEND", {});
    EXPECT_EQ(RenderRgbTopDown(*Load(lower)),
              RenderRgbTopDown(*Load(MakePng(Header(3, 2, 8, 2), RgbRows()))));

    const TBytes critical = MakePng(Header(3, 2, 8, 2), RgbRows(), {{"ZZZZ", {1}}});
    EXPECT_EQ(LoadError(critical),
              "Cannot load PNG image. Unexpected but critical chunk detected.");
}

TEST(PNGGraphic, DamagedHeaderCrcFailsWhileReadingProperties) {
    TBytes png = MakePng(Header(3, 2, 8, 2), RgbRows());
    png[8 + 8 + 13] ^= 1; // the IHDR CRC
    TMemoryStream stream(png.data(), png.size());
    TPNGGraphic reader;
    try {
        reader.ReadImageProperties(stream, 0);
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Cannot load image. CRC error found in PNG file.");
    }
}

TEST(PNGGraphic, TwoBitGrayUsesASixteenLevelPalette) {
    // 4 pixels: levels 0, 1, 2, 3.
    const auto png = Load(MakePng(Header(4, 1, 2, 0), {0, 0b00011011}));
    EXPECT_EQ(png->PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(png->Palette().size(), 16u);
    EXPECT_EQ(RenderRgbTopDown(*png), TBytes({0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}));
}

TEST(PNGGraphic, SixteenBitSamplesBecomeEightBitByDivisionBy257) {
    // One RGB pixel of 16-bit samples 0x1234, 0xFF00, 0x0101 (the first is 18 by v div 257
    // where v >> 8 would give 18 too; 0xFF00 gives 254, not 255).
    const auto png = Load(MakePng(Header(1, 1, 16, 2), {0, 0x12, 0x34, 0xFF, 0x00, 0x01, 0x01}));
    EXPECT_EQ(png->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(RenderRgbTopDown(*png), TBytes({0x1234 / 257, 0xFF00 / 257, 1}));
}

TEST(PNGGraphic, GrayAlphaDropsItsAlpha) {
    const auto png = Load(MakePng(Header(2, 1, 8, 4), {0, 100, 0, 200, 128}));
    EXPECT_EQ(RenderRgbTopDown(*png), TBytes({100, 100, 100, 200, 200, 200}));
}

TEST(PNGGraphic, PaletteTransparencyIsIgnoredButAGrayKeyShowsWhite) {
    const auto indexed = Load(MakePng(Header(2, 1, 8, 3), {0, 0, 1},
                                      {{"PLTE", {10, 20, 30, 40, 50, 60}}, {"tRNS", {0, 0}}}));
    EXPECT_EQ(RenderRgbTopDown(*indexed), TBytes({10, 20, 30, 40, 50, 60}));
    const auto gray = Load(MakePng(Header(2, 1, 8, 0), {0, 7, 9}, {{"tRNS", {0, 7}}}));
    EXPECT_EQ(RenderRgbTopDown(*gray), TBytes({255, 255, 255, 9, 9, 9}));
}

TEST(PNGGraphic, GammaCorrectsEveryRowAndTheTransparentKey) {
    TBytes gama;
    PutBigEndian32(gama, 45455);
    const auto png = Load(MakePng(Header(2, 1, 8, 2), {0, 64, 128, 192, 10, 20, 30},
                                  {{"gAMA", gama}, {"tRNS", {0, 10, 0, 20, 0, 30}}}));
    EXPECT_FLOAT_EQ(png->ColorManager.MainGamma(), 0.45455f);
    EXPECT_TRUE(png->ImageProperties.Options & ioUseGamma);
    auto corrected = [](int v) {
        return uint8_t(std::lround(std::pow(v / 255.0, 1.0 / (0.45455 * 2.2)) * 255));
    };
    EXPECT_EQ(RenderRgbTopDown(*png),
              TBytes({corrected(64), corrected(128), corrected(192), 255, 255, 255}));
}

TEST(PNGGraphic, AllFiveFiltersAreUndone) {
    // Two gray rows of 4 pixels; row 1 is stored with each filter in turn, against row 0.
    const TBytes top = {10, 200, 30, 255};
    const TBytes bottom = {5, 250, 40, 128};
    auto filtered = [&](uint8_t type) {
        TBytes row = {type};
        for (size_t i = 0; i < 4; ++i) {
            const int left = i ? bottom[i - 1] : 0;
            const int above = top[i];
            const int upperLeft = i ? top[i - 1] : 0;
            int predictor = 0;
            if (type == 1)
                predictor = left;
            else if (type == 2)
                predictor = above;
            else if (type == 3)
                predictor = (left + above) / 2;
            else if (type == 4) {
                const int p = left + above - upperLeft;
                const int pa = std::abs(p - left), pb = std::abs(p - above),
                          pc = std::abs(p - upperLeft);
                predictor = pa <= pb && pa <= pc ? left : pb <= pc ? above : upperLeft;
            }
            row.push_back(uint8_t(bottom[i] - predictor));
        }
        return row;
    };
    for (uint8_t type = 0; type <= 4; ++type) {
        SCOPED_TRACE(int(type));
        TBytes rows = {0, 10, 200, 30, 255};
        const TBytes second = filtered(type);
        rows.insert(rows.end(), second.begin(), second.end());
        const TBytes rgb = RenderRgbTopDown(*Load(MakePng(Header(4, 2, 8, 0), rows)));
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(rgb[12 + i * 3], bottom[i]);
    }
}

TEST(PNGGraphic, DataAfterTheEndOfTheZlibStreamIsRefused) {
    TBytes data = Deflate(RgbRows());
    data.insert(data.end(), {1, 2, 3});
    TBytes png = Signature();
    AppendChunk(png, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(png, "IDAT", data);
    AppendChunk(png, "IEND", {});
    EXPECT_EQ(LoadError(png), "Cannot load image. Extra compressed data found in PNG file.");
}

TEST(PNGGraphic, MessagesOfBadFiles) {
    TBytes bad = MakePng(Header(3, 2, 8, 2), RgbRows());
    bad[0] = 0;
    EXPECT_EQ(LoadError(bad), "Cannot load image. Invalid or unexpected PNG image format.");
    EXPECT_EQ(LoadError(MakePng(Header(3, 2, 3, 2), RgbRows())),
              "Invalid color format in PNG file.");
    TBytes header = Header(3, 2, 8, 2);
    header[10] = 1; // compression method
    EXPECT_EQ(LoadError(MakePng(header, RgbRows())),
              "Cannot load image. The compression scheme is not supported for PNG files.");
    EXPECT_EQ(LoadError(MakePng(Header(2, 1, 8, 3), {0, 0, 1}, {{"PLTE", {1, 2, 3, 4}}})),
              "Cannot load image. Palette in PNG file is invalid.");
    TBytes garbage = Signature();
    AppendChunk(garbage, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(garbage, "IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF});
    AppendChunk(garbage, "IEND", {});
    EXPECT_EQ(LoadError(garbage), "Cannot load image. Compression error found in PNG file.");
}

TEST(PNGGraphic, HugeSizesAreRefusedBeforeAllocating) {
    EXPECT_EQ(LoadError(MakePng(Header(1 << 30, 1 << 30, 8, 6), RgbRows())),
              "Cannot load image. Invalid or unexpected PNG image format.");
    // Within the pixel limit but far more than the few data bytes could ever inflate to.
    EXPECT_EQ(LoadError(MakePng(Header(10000, 10000, 8, 6), RgbRows())),
              "Cannot load image. Invalid or unexpected PNG image format.");
    TBytes longChunk = MakePng(Header(3, 2, 8, 2), RgbRows());
    longChunk[33] = 0x7F; // IDAT length far beyond the file
    EXPECT_EQ(LoadError(longChunk), "Stream read error in PNG file.");
}

TEST(PNGGraphic, CanLoadChecksTheSignatureAndKeepsThePosition) {
    const TBytes png = MakePng(Header(3, 2, 8, 2), RgbRows());
    TMemoryStream stream(png.data(), png.size());
    stream.SetPosition(0);
    EXPECT_TRUE(TPNGGraphic::CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    TMemoryStream shortStream(png.data(), 8);
    EXPECT_FALSE(TPNGGraphic::CanLoad(shortStream));
}

TEST(PNGGraphic, PropertiesComeFromTheHeaderAndTheGammaChunk) {
    TBytes gama;
    PutBigEndian32(gama, 100000);
    const TBytes png = MakePng(Header(5, 7, 16, 6, 1), TBytes(7 * (1 + 5 * 8)), {{"gAMA", gama}});
    TMemoryStream stream(png.data(), png.size());
    TPNGGraphic reader;
    ASSERT_TRUE(reader.ReadImageProperties(stream, 0));
    const TImageProperties& p = reader.ImageProperties;
    EXPECT_EQ(p.Width, 5);
    EXPECT_EQ(p.Height, 7);
    EXPECT_EQ(p.ColorScheme, psRGBA);
    EXPECT_EQ(p.SamplesPerPixel, 4);
    EXPECT_EQ(p.BitsPerPixel, 64);
    EXPECT_EQ(p.Compression, ctLZ77);
    EXPECT_TRUE(p.Interlaced);
    EXPECT_TRUE(p.HasAlpha);
    EXPECT_EQ(p.Options, ioBigEndian);
    EXPECT_FLOAT_EQ(p.FileGamma, 1.0f);
}

TEST(PNGGraphic, ALoadReadsEveryChunkOnceAndKeepsTheGamma) {
    TBytes gama;
    PutBigEndian32(gama, 45455);
    const TBytes png = MakePng(Header(3, 2, 8, 2), RgbRows(), {{"gAMA", gama}});
    TReadTracingStream stream(png);
    TPNGGraphic reader;
    reader.LoadFromStream(stream);
    EXPECT_EQ(stream.BytesReread(), 0);
    EXPECT_FLOAT_EQ(reader.ImageProperties.FileGamma, 0.45455f);
}

// One column of pixels, through the reader's bitmap and through a row target: the file's
// rows (filter 0), cut short after CUTAFTER of them when not 0 (a stored deflate block lets
// the cut fall on a row's end), with a bKGD of (1, 2, 3).
struct TColumnCase {
    const char* Name;
    uint8_t ColorType;
    TBytes Pixels; // the samples of each row
    uint32_t CutAfter;
    TBytes Shown; // red, green, blue, top first
};

class PNGColumn : public ::testing::TestWithParam<TColumnCase> {};

TEST_P(PNGColumn, ShowsTheSameThroughTheBitmapAndTheRowTarget) {
    const TColumnCase& c = GetParam();
    const uint32_t samples = c.ColorType == 6 ? 4 : 3;
    const uint32_t height = uint32_t(c.Pixels.size() / samples);
    TBytes rows;
    for (uint32_t y = 0; y < height; ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), c.Pixels.begin() + y * samples,
                    c.Pixels.begin() + (y + 1) * samples);
    }
    uLongf size = compressBound(uLong(rows.size()));
    TBytes packed(size);
    compress2(packed.data(), &size, rows.data(), uLong(rows.size()), 0);
    // 2 bytes of zlib header and 5 of block header come before the rows.
    packed.resize(c.CutAfter ? 2 + 5 + c.CutAfter * (samples + 1) : size);
    TBytes png = Signature();
    AppendChunk(png, "IHDR", Header(1, height, 8, c.ColorType));
    AppendChunk(png, "bKGD", {0, 1, 0, 2, 0, 3});
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    EXPECT_EQ(RenderRgbTopDown(*Load(png)), c.Shown);

    struct TRows : TRowTarget {
        TBytes Pixels;
        void SetSize(int32_t width, int32_t height) override {
            Pixels.assign(size_t(width) * size_t(height) * 3, 0xAA);
        }
        uint8_t* Row(int32_t y) override { return Pixels.data() + size_t(y) * 3; }
    } target;
    TPNGGraphic reader;
    reader.SetRowTarget(&target);
    TMemoryStream stream(png.data(), png.size());
    reader.LoadFromStream(stream);
    ASSERT_TRUE(reader.WroteRowTarget());
    for (size_t i = 0; i < target.Pixels.size(); i += 3)
        std::swap(target.Pixels[i], target.Pixels[i + 2]);
    EXPECT_EQ(target.Pixels, c.Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PNGColumn,
    ::testing::Values(
        TColumnCase{
            "RgbCutShortLeavesTheBackgroundBelow", 2, {9, 8, 7, 6, 5, 4}, 1, {9, 8, 7, 1, 2, 3}},
        // Alpha over white: (0 * 128 + 255 * 127 + 127) / 255 = 127.
        TColumnCase{"RgbaBlendsOverWhite",
                    6,
                    {10, 20, 30, 255, 0, 0, 0, 128, 70, 80, 90, 0},
                    0,
                    {10, 20, 30, 127, 127, 127, 255, 255, 255}},
        // An alpha of 0 throughout is an unused sample: the colours show as they are.
        TColumnCase{"RgbaWhollyTransparentShowsOpaque",
                    6,
                    {10, 20, 30, 0, 40, 50, 60, 0},
                    0,
                    {10, 20, 30, 40, 50, 60}},
        // Rows written before the first alpha turn white once it shows.
        TColumnCase{"RgbaTransparentRowsAboveTheFirstAlphaShowWhite",
                    6,
                    {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 255},
                    0,
                    {255, 255, 255, 255, 255, 255, 70, 80, 90}},
        // The background below a cut is opaque, and so alpha to blend by.
        TColumnCase{"RgbaCutShortBlendsTheRowsAbove",
                    6,
                    {10, 20, 30, 0, 40, 50, 60, 0},
                    1,
                    {255, 255, 255, 1, 2, 3}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PNGGraphic, AFailedLoadStillEndsItsTransfer) {
    TBytes garbage = Signature();
    AppendChunk(garbage, "IHDR", Header(3, 2, 8, 2));
    AppendChunk(garbage, "IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF});
    AppendChunk(garbage, "IEND", {});
    TPNGGraphic reader;
    std::vector<TProgressStage> stages;
    reader.OnProgress = [&](TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
        stages.push_back(stage);
    };
    TMemoryStream stream(garbage.data(), garbage.size());
    EXPECT_THROW(reader.LoadFromStream(stream), EInvalidGraphic);
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.back(), TProgressStage::psEnding);
}

} // namespace
