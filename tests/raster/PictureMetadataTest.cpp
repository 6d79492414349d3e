#include "raster/PictureMetadata.h"
#include "platform/MetadataOptions.h"
#include "support/PictureChecks.h"
#include "support/PpmFile.h"
#include "support/ShownPicture.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::string Library = std::string(PELORAMA_TEST_DATA) + "/library/";

// Restores the viewer's defaults however a test ends.
class ShownPictures : public TRegisteredFormatsTest {
protected:
    void TearDown() override {
        MetadataOptions() = {};
        TRegisteredFormatsTest::TearDown();
    }
};

std::vector<uint8_t> Colours(const std::string& letters) {
    static const std::map<char, std::vector<uint8_t>> rgb = {
        {'R', {255, 0, 0}},   {'G', {0, 255, 0}},   {'B', {0, 0, 255}},
        {'Y', {255, 255, 0}}, {'C', {0, 255, 255}}, {'M', {255, 0, 255}}};
    std::vector<uint8_t> pixels;
    for (char letter : letters)
        pixels.insert(pixels.end(), rgb.at(letter).begin(), rgb.at(letter).end());
    return pixels;
}

struct TOrientationCase {
    int Orientation;
    int Width;
    int Height;
    const char* Rows; // the upright picture's colours, rows top to bottom
};

// Every file stores the same 2 x 3 picture, RG / BY / CM, and says how to turn it.
const TOrientationCase OrientationCases[] = {
    {1, 2, 3, "RGBYCM"}, {2, 2, 3, "GRYBMC"}, {3, 2, 3, "MCYBGR"}, {4, 2, 3, "CMBYRG"},
    {5, 3, 2, "RBCGYM"}, {6, 3, 2, "CBRMYG"}, {7, 3, 2, "MYGCBR"}, {8, 3, 2, "GYMRBC"},
};

TEST_F(ShownPictures, TurnsEachOfTheEightOrientationsUpright) {
    for (const TOrientationCase& c : OrientationCases) {
        const TRgbPicture shown =
            LoadShownRgb(Library + "six-" + std::to_string(c.Orientation) + ".png");
        EXPECT_EQ(shown.Width, c.Width) << c.Orientation;
        EXPECT_EQ(shown.Height, c.Height) << c.Orientation;
        EXPECT_EQ(shown.Pixels, Colours(c.Rows)) << c.Orientation;
    }
}

TEST_F(ShownPictures, TheSettingKeepsThePictureAsStored) {
    MetadataOptions().Orientation = false;
    EXPECT_EQ(LoadShownRgb(Library + "six-6.png").Pixels, Colours("RGBYCM"));
    const TRgbPicture jpeg = LoadShownRgb(Library + "orientation-6.jpg");
    EXPECT_EQ(jpeg.Width, 24);
    MetadataOptions().Orientation = true;
    EXPECT_EQ(LoadShownRgb(Library + "orientation-6.jpg").Width, 16);
}

// Little CMS's own conversion of the stored samples (transicc) is the reference; a CMYK
// picture is converted from its inks, not from their naive red, green and blue.
struct TProfileCase {
    const char* File;
    const char* Converted;
    int Tolerance;
};
const TProfileCase ProfileCases[] = {
    {"adobe-rgb.png", "adobe-rgb-srgb.ppm", 1},
    {"cmyk.jpg", "cmyk-srgb.ppm", 3},
};

TEST_F(ShownPictures, ConvertsAnEmbeddedProfileToSrgbAsLittleCmsDoes) {
    for (const TProfileCase& c : ProfileCases) {
        const TPpmImage converted = ReadPpm(Library + c.Converted);
        EXPECT_LE(MaxSampleDifference(LoadShownRgb(Library + c.File).Pixels, converted.Rgb),
                  c.Tolerance)
            << c.File;
        MetadataOptions().ColorProfiles = false;
        EXPECT_GT(MaxSampleDifference(LoadShownRgb(Library + c.File).Pixels, converted.Rgb), 8)
            << c.File;
        MetadataOptions().ColorProfiles = true;
    }
}

TEST_F(ShownPictures, WithoutProfilesThePixelsStayAsStored) {
    MetadataOptions().ColorProfiles = false;
    const TPpmImage stored = ReadPpm(std::string(PELORAMA_TEST_DATA) + "/tiff/src.ppm");
    EXPECT_EQ(LoadShownRgb(Library + "adobe-rgb.png").Pixels, stored.Rgb);
}

// A fuzzer's find: a profile whose colour space LittleCMS has no name for converts nothing.
TEST_F(ShownPictures, AProfileOfAnUnnamedColourSpaceChangesNothing) {
    const std::string file = std::string(PELORAMA_TEST_DATA) + "/jpeg/unnamed-colour-space.jpg";
    const TRgbPicture converted = LoadShownRgb(file);
    MetadataOptions().ColorProfiles = false;
    EXPECT_EQ(converted.Pixels, LoadShownRgb(file).Pixels);
    EXPECT_EQ(converted.Width, 24);
}

TRgbPicture TurnedClockwise(const TRgbPicture& stored) {
    TRgbPicture turned{stored.Height, stored.Width, {}};
    for (int y = 0; y < turned.Height; ++y)
        for (int x = 0; x < turned.Width; ++x) {
            const auto pixel =
                stored.Pixels.begin() + ((stored.Height - 1 - x) * stored.Width + y) * 3;
            turned.Pixels.insert(turned.Pixels.end(), pixel, pixel + 3);
        }
    return turned;
}

TEST_F(ShownPictures, CorpusPhotosTurnUprightAndTheirSrgbProfilesChangeNothing) {
    const std::string corpus = ConformanceDirectory();
    if (corpus.empty())
        GTEST_SKIP() << "conformance corpus not found";
    // The corpus's own decode keeps the stored orientation (EXIF 6): shown, it turns clockwise.
    const std::string rotated = corpus + "/jpeg/hopper_orientation_6.jpg";
    EXPECT_EQ(LoadShownRgb(rotated).Pixels, TurnedClockwise(DecodeToRgb(rotated)).Pixels);
    // A photo carrying sRGB's own profile ("sRGB IEC61966-2-1 black scaled") is left alone.
    const std::string profiled = corpus + "/jpeg/cat.jpg";
    EXPECT_EQ(LoadShownRgb(profiled).Pixels, DecodeToRgb(profiled).Pixels);
}

TEST(ApplyOrientation, LeavesUnknownValuesAlone) {
    TFastBMP buffer;
    buffer.SetSize(2, 1);
    buffer.RowTable[0][0] = 10;
    for (uint8_t orientation : {0, 1, 9, 255}) {
        ApplyOrientation(buffer, orientation);
        EXPECT_EQ(buffer.Width, 2);
        EXPECT_EQ(buffer.RowTable[0][0], 10);
    }
}

} // namespace
