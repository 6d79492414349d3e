#include "formats/JPEGImage.h"

#include "support/Conformance.h"
#include "support/PictureRendering.h"
#include "support/Sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

namespace {

// libjpeg's own gray levels, without the viewer's 236-level quantisation: the references
// for grayscale files are exactly these.
std::vector<uint8_t> StraightGrayAsRgb(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {};
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors); // the corpus's grayscale files are all valid
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<uint8_t> gray(size_t(info.output_width) * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = gray.data() + size_t(info.output_scanline) * info.output_width;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    std::vector<uint8_t> rgb;
    rgb.reserve(gray.size() * 3);
    for (uint8_t value : gray)
        rgb.insert(rgb.end(), {value, value, value});
    return rgb;
}

class JPEGConformance : public ::testing::TestWithParam<TConformanceCase> {};

TEST_P(JPEGConformance, MatchesTheReferenceOrItsDesignedDifference) {
    const TConformanceCase& c = GetParam();
    if (c.Path.empty())
        GTEST_SKIP() << "conformance corpus not found";
    const std::string path = ConformanceDirectory() + "/" + c.Path;
    TJPEGImage image;
    if (c.Features.find("12-bit") != std::string::npos) {
        // An 8-bit libjpeg cannot decode 12-bit samples: the viewer shows its error picture.
        EXPECT_THROW(
            {
                image.LoadFromFile(path);
                image.Bitmap();
            },
            EJPEG);
        return;
    }
    image.LoadFromFile(path);
    const std::vector<uint8_t> rgb = RenderRgbTopDown(image);
    EXPECT_EQ(image.Width(), c.Width);
    EXPECT_EQ(image.Height(), c.Height);
    if (!c.Valid)
        return; // a truncated file decodes what it has; its reference is informational
    if (c.Features.find("grayscale") == std::string::npos) {
        EXPECT_EQ(Sha256Hex(rgb.data(), rgb.size()), c.ReferenceSha256);
        return;
    }
    // Grayscale goes through 236 levels: at most one step from libjpeg's own values,
    // which are what the reference holds.
    const std::vector<uint8_t> straight = StraightGrayAsRgb(path);
    ASSERT_EQ(Sha256Hex(straight.data(), straight.size()), c.ReferenceSha256);
    ASSERT_EQ(straight.size(), rgb.size());
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i)
        worst = std::max(worst, std::abs(int(rgb[i]) - int(straight[i])));
    EXPECT_LE(worst, 1);
}

std::vector<TConformanceCase> Cases() {
    std::vector<TConformanceCase> cases = ConformanceCases("jpeg");
    if (cases.empty())
        cases.push_back({}); // one case that reports the corpus missing
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Corpus, JPEGConformance, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return ConformanceTestName(info.param); });

} // namespace
