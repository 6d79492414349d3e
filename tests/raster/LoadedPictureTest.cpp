#include "raster/LoadedPicture.h"

#include "PixelTestSupport.h"
#include "formats/GraphicReader.h"
#include "formats/JPEGImage.h"
#include "platform/Bitmap.h"
#include "platform/PictureClassTable.h"
#include "platform/Streams.h"
#include "raster/PictureMetadata.h"
#include "support/Conformance.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The picture through the reader's own bitmap, as the buffer holds it: the way every
// picture went before rows were written straight into the buffer.
std::vector<uint8_t> ThroughBitmap(const std::string& path) {
    const std::unique_ptr<TGraphic> picture = PictureClassTable().LoadFromFile(path);
    TFastBMP buffer;
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture.get()))
        buffer.LoadFromBitmapHandle(jpeg->Bitmap());
    else
        buffer.LoadFromBitmapHandle(dynamic_cast<const TBitmap&>(*picture));
    ApplyPictureMetadata(buffer, picture->Metadata);
    return PixelBytes(buffer);
}

// The reader's bitmap as blue-green-red rows, top first, without padding.
std::vector<uint8_t> BitmapRows(const std::string& path) {
    const std::unique_ptr<TGraphic> picture = PictureClassTable().LoadFromFile(path);
    const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture.get());
    const TBitmap& bitmap = jpeg ? jpeg->Bitmap() : dynamic_cast<const TBitmap&>(*picture);
    const TBgrRowConverter converter(bitmap);
    const size_t rowBytes = size_t(bitmap.Width()) * 3;
    std::vector<uint8_t> rows(rowBytes * size_t(bitmap.Height()));
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        converter.ConvertRow(y, rows.data() + size_t(y) * rowBytes);
    return rows;
}

// Rows handed out, in the order they were asked for.
class TRecordedRows : public TRowTarget {
public:
    void SetSize(int32_t width, int32_t height) override {
        ++Sizings;
        Width = width;
        Pixels.assign(size_t(width) * 3 * size_t(height), 0);
    }
    uint8_t* Row(int32_t y) override {
        Asked.push_back(y);
        return Pixels.data() + size_t(y) * size_t(Width) * 3;
    }
    int Sizings = 0;
    int32_t Width = 0;
    std::vector<uint8_t> Pixels;
    std::vector<int32_t> Asked;
};

class LoadedPicture : public TRegisteredFormatsTest {};

// Every valid raster file of the corpus comes out of the viewer's load exactly as through
// the reader's bitmap, whichever way its rows went.
TEST_F(LoadedPicture, RowsWrittenIntoTheBufferGiveTheBitmapsPixels) {
    int compared = 0;
    for (const char* format :
         {"png", "tiff", "jpeg", "bmp", "gif", "pcx", "pnm", "psd", "psp", "tga", "eps"})
        for (const TConformanceCase& c : ConformanceCases(format)) {
            if (!c.Valid)
                continue;
            SCOPED_TRACE(c.Path);
            const std::string path = ConformanceDirectory() + "/" + c.Path;
            std::vector<uint8_t> expected;
            try {
                expected = ThroughBitmap(path);
            } catch (const Exception&) {
                EXPECT_THROW(LoadPictureBuffer(path, *std::make_unique<TFastBMP>()), Exception);
                continue;
            }
            TFastBMP buffer;
            LoadPictureBuffer(path, buffer);
            EXPECT_EQ(PixelBytes(buffer), expected);
            ++compared;
        }
    if (compared == 0)
        GTEST_SKIP() << "the conformance corpus is absent";
}

struct TRowCase {
    const char* Path; // under the test data, or "conformance/" + a corpus path
    bool Direct;      // plain 24-bit colour: written into the target
    bool OncePerRow;  // every row asked for once, top first (not so for Adam7 passes)
};

std::string CasePath(const std::string& path) {
    const std::string corpus = "conformance/";
    if (path.starts_with(corpus))
        return ConformanceDirectory() + "/" + path.substr(corpus.size());
    return std::string(PELORAMA_TEST_DATA) + "/" + path;
}

class RowTargetCases : public LoadedPicture, public ::testing::WithParamInterface<TRowCase> {};

TEST_P(RowTargetCases, ReceiveTheirRowsWhereThePictureIsPlainColour) {
    const std::string path = CasePath(GetParam().Path);
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is absent";
    TRecordedRows rows;
    std::unique_ptr<TGraphic> picture = PictureClassTable().CreateForFile(path);
    bool direct = false;
    if (auto* reader = dynamic_cast<TGraphicReader*>(picture.get())) {
        reader->SetRowTarget(&rows);
        picture->LoadFromFile(path);
        direct = reader->WroteRowTarget();
    } else {
        picture->LoadFromFile(path);
        direct = dynamic_cast<const TJPEGImage&>(*picture).DecodeInto(rows);
    }
    ASSERT_EQ(direct, GetParam().Direct);
    EXPECT_EQ(rows.Sizings, direct ? 1 : 0);
    if (!direct) {
        EXPECT_TRUE(rows.Asked.empty());
        return;
    }
    const int32_t height = picture->Height();
    EXPECT_EQ(rows.Width, picture->Width());
    if (GetParam().OncePerRow) {
        ASSERT_EQ(rows.Asked.size(), size_t(height));
        for (int32_t y = 0; y < height; ++y)
            ASSERT_EQ(rows.Asked[size_t(y)], y);
    }
    EXPECT_EQ(rows.Pixels, BitmapRows(path));
}

INSTANTIATE_TEST_SUITE_P(
    Readers, RowTargetCases,
    ::testing::Values(
        TRowCase{"tiff/rgb-lzw.tif", true, true}, TRowCase{"tiff/cmyk.tif", true, true},
        TRowCase{"tiff/tiled-jpeg.tif", true, true}, TRowCase{"tiff/ycbcr-sub.tif", true, true},
        TRowCase{"tiff/palette.tif", false, false}, TRowCase{"tiff/rgba.tif", false, false},
        TRowCase{"tiff/gray8.tif", false, false},
        TRowCase{"conformance/png/basn2c08.png", true, true},
        TRowCase{"conformance/png/basn2c16.png", true, true},
        TRowCase{"conformance/png/basi2c08.png", true, false},
        TRowCase{"conformance/png/tbrn2c08.png", false, false},
        TRowCase{"conformance/png/basn6a08.png", true, true},
        // Its top row is wholly transparent: written opaque, then white once alpha shows.
        TRowCase{"conformance/png/basn6a16.png", true, false},
        TRowCase{"conformance/png/basi6a08.png", false, false},
        TRowCase{"conformance/png/basn3p08.png", false, false},
        TRowCase{"jpeg/baseline420.jpg", true, true}, TRowCase{"jpeg/progressive.jpg", true, true},
        TRowCase{"jpeg/grayscale.jpg", false, false},
        TRowCase{"conformance/jpeg/pil_sample_cmyk.jpg", true, true},
        TRowCase{"conformance/tga/utc24.tga", true, false},
        TRowCase{"conformance/tga/ctc24.tga", true, false},
        TRowCase{"conformance/tga/square-bottom-right.tga", true, false},
        TRowCase{"conformance/tga/utc32.tga", false, false},
        TRowCase{"conformance/tga/ucm8.tga", false, false},
        TRowCase{"conformance/pnm/hopper.ppm", true, true},
        TRowCase{"conformance/pnm/rgb-3c-16b.ppm", true, true},
        TRowCase{"conformance/pnm/hopper_8bit.pgm", false, false},
        TRowCase{"conformance/pcx/rgb24.pcx", true, true},
        TRowCase{"conformance/pcx/rgb8.pcx", false, false}, TRowCase{"psd/rgb-raw.psd", true, true},
        TRowCase{"psd/rgb16-raw.psd", true, true}, TRowCase{"psd/cmyk-rle.psd", true, true},
        TRowCase{"psd/indexed-raw.psd", false, false}, TRowCase{"psd/rgba-rle.psd", false, false},
        TRowCase{"conformance/psp/PSP_Uncompressed.psp", true, true},
        TRowCase{"conformance/bmp/rgb24.bmp", true, false},
        TRowCase{"conformance/bmp/pal8topdown.bmp", false, false},
        TRowCase{"conformance/bmp/rgb32.bmp", false, false}),
    [](const auto& info) { return TestNameFromText(info.param.Path); });

} // namespace
