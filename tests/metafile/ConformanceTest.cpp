#include "metafile/Metafile.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/TestNames.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct TConformanceCase {
    const char* Path; // under the conformance directory
    int Width;        // natural size at 96 dots per inch
    int Height;
};

// Natural sizes worked out by hand from each header: the placeable box at its units per
// inch, or the enhanced frame (hundredths of a millimetre) at 96 dots per inch.
const TConformanceCase Cases[] = {
    {"wmf/drawing.wmf", 110, 110},           // 1369 / 1200 inch
    {"wmf/test_libuemf_ref.wmf", 1122, 794}, // 14031 x 9921 / 1200 inch
    {"emf/drawing.emf", 110, 110},           // 2899 x 2899
    {"emf/test-001.emf", 623, 467},          // 16494 x 12363
    {"emf/test-050.emf", 623, 467},
    {"emf/test_libuemf_ref.emf", 1122, 794}, // 29699 x 20999
};

class ConformanceMetafile : public ::testing::TestWithParam<TConformanceCase> {};

TEST_P(ConformanceMetafile, RendersAtItsNaturalSizeAndNotBlank) {
    const fs::path path = fs::path(PELORAMA_CONFORMANCE) / GetParam().Path;
    if (!fs::exists(path))
        GTEST_SKIP() << path << " is absent";
    TFileStream stream(path.string(), TFileMode::fmOpenRead);
    TMetafile picture;
    picture.LoadFromStream(stream);
    EXPECT_EQ(picture.Width(), GetParam().Width);
    EXPECT_EQ(picture.Height(), GetParam().Height);

    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(picture.Width(), picture.Height());
    canvas.Fill({255, 255, 255});
    picture.Draw(canvas, 0, 0);

    QImage image(canvas.Width(), canvas.Height(), QImage::Format_RGB888);
    int64_t drawn = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        const uint8_t* row = canvas.ScanLine(y);
        uint8_t* out = image.scanLine(y);
        for (int x = 0; x < canvas.Width(); ++x) {
            out[x * 3] = row[x * 3 + 2];
            out[x * 3 + 1] = row[x * 3 + 1];
            out[x * 3 + 2] = row[x * 3];
            drawn += row[x * 3] != 255 || row[x * 3 + 1] != 255 || row[x * 3 + 2] != 255;
        }
    }
    // A rendering to look at by eye.
    image.save(QString::fromStdString(
        (fs::temp_directory_path() / ("pelorama_" + path.filename().string() + ".png")).string()));
    EXPECT_GT(drawn, int64_t(canvas.Width()) * canvas.Height() / 50);
}

INSTANTIATE_TEST_SUITE_P(Pictures, ConformanceMetafile, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TConformanceCase>& info) {
                             return TestNameFromText(fs::path(info.param.Path).filename().string());
                         });

TEST(ConformanceMetafile, CorruptPictureIsRefused) {
    const fs::path path =
        fs::path(PELORAMA_CONFORMANCE) / "emf/bad_corrupted_2014-12-02-215338.emf";
    if (!fs::exists(path))
        GTEST_SKIP() << path << " is absent";
    TFileStream stream(path.string(), TFileMode::fmOpenRead);
    TMetafile picture;
    EXPECT_THROW(picture.LoadFromStream(stream), EInvalidGraphic);
}

} // namespace
