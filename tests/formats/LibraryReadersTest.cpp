#include "color/CodingPointsProfile.h"
#include "formats/FileFormatList.h"
#include "platform/PictureClassTable.h"
#include "platform/PictureLimits.h"
#include "support/PictureChecks.h"
#include "support/PpmFile.h"
#include "support/ShownPicture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const std::string Library = std::string(PELORAMA_TEST_DATA) + "/library/";

struct TLibraryCase {
    const char* File;
    const char* Reference; // the library's own decoder over white, upright
};

// Animations show their first frame, a HEIF collection its primary picture (the first of
// collection.heic is the mirrored frame), alpha is blended over white.
const TLibraryCase LibraryCases[] = {
    {"lossy.webp", "lossy-webp.ppm"},
    {"alpha.webp", "alpha-webp.ppm"},
    {"animated.webp", "alpha-webp.ppm"},
    {"lossy.avif", "lossy-avif.ppm"},
    {"alpha.avif", "alpha-avif.ppm"},
    {"animated.avif", "animated-avif.ppm"},
    {"irot1-imir0.avif", "irot1-imir0-avif.ppm"},
    {"lossy.heic", "lossy-heic.ppm"},
    {"alpha.heic", "alpha-heic.ppm"},
    {"collection.heic", "collection-heic.ppm"},
    {"lossy.jxl", "lossy-jxl.ppm"},
    {"alpha.jxl", "alpha-jxl.ppm"},
    {"animated.jxl", "animated-jxl.ppm"},
    {"orientation-6.jxl", "orientation-6-jxl.ppm"},
};

std::string Extension(const std::string& file) {
    return std::filesystem::path(file).extension().string().substr(1);
}

class LibraryReader : public TRegisteredFormatsTest,
                      public ::testing::WithParamInterface<TLibraryCase> {};

TEST_P(LibraryReader, MatchesTheLibrarysOwnDecoder) {
    const TLibraryCase& c = GetParam();
    if (FormatRegistry().FindExtension(Extension(c.File)) < 0)
        GTEST_SKIP() << "built without the library";
    const TPpmImage reference = ReadPpm(Library + c.Reference);
    const TRgbPicture shown = LoadShownRgb(Library + c.File);
    ASSERT_EQ(shown.Width, reference.Width);
    ASSERT_EQ(shown.Height, reference.Height);
    EXPECT_LE(MaxSampleDifference(shown.Pixels, reference.Rgb), 3);
}

TEST_P(LibraryReader, RefusesEveryTruncationAsInvalid) {
    const TLibraryCase& c = GetParam();
    const TPictureClassTable::TEntry* entry = PictureClassTable().FindEntry(Extension(c.File));
    if (!entry)
        GTEST_SKIP() << "built without the library";
    // Each prefix loads or is refused with EInvalidGraphic; anything else fails the test.
    LoadEveryPrefix(ReadTestData(std::string("library/") + c.File), entry->GraphicClass->Create);
}

// A budget that holds the 24 x 16 bitmaps but not what the libraries take beside them: the
// load is refused before the library decodes, except where the library needs no more.
class LibraryMemory : public TRegisteredFormatsTest {
protected:
    void SetUp() override {
        TRegisteredFormatsTest::SetUp();
        SetPictureMemoryBudget(3000);
    }
    void TearDown() override {
        SetPictureMemoryBudget(0);
        TRegisteredFormatsTest::TearDown();
    }
};

TEST_F(LibraryMemory, WhatTheLibrariesTakeCountsAgainstTheBudget) {
    const std::pair<const char*, bool> files[] = {{"lossy.webp", true},
                                                  {"alpha.webp", false},
                                                  {"lossy.avif", false},
                                                  {"lossy.heic", false},
                                                  {"lossy.jxl", false}};
    for (const auto& [file, fits] : files) {
        if (FormatRegistry().FindExtension(Extension(file)) < 0)
            continue;
        const TPictureLoadScope load;
        if (fits)
            EXPECT_NO_THROW(PictureClassTable().LoadFromFile(Library + file)) << file;
        else
            EXPECT_THROW(PictureClassTable().LoadFromFile(Library + file), EPictureMemory) << file;
    }
}

// A fuzzer's find: 372 bytes of animation claiming a 7,602,200 x 180 canvas, which the
// animation decoder would allocate three times over before the gate saw the claim.
TEST_F(LibraryMemory, AnAnimationsCanvasIsWeighedBeforeTheLibraryAllocatesIt) {
    if (FormatRegistry().FindExtension("webp") < 0)
        GTEST_SKIP() << "built without libwebp";
    const TPictureLoadScope load;
    EXPECT_THROW(PictureClassTable().LoadFromFile(Library + "huge-canvas-animation.webp"),
                 EInvalidGraphic);
}

// Fuzzers' finds, which libheif refuses in the end, after it took gigabytes for a canvas
// the container never declared: what tells the outcomes apart is the address space the load
// took at its peak, under the default budget.
// - overlay-huge-canvas.heic: a grid whose tile is an overlay of 47,472 x 61,577 pixels.
// - grid-beside-unreadable-locations.heic: a 20,051 x 29,750 grid, its item locations
//   written with a field size that makes them unreadable.
class LibraryCanvas : public TRegisteredFormatsTest {};

TEST_F(LibraryCanvas, DerivedPicturesCanvasesAreWeighedBeforeTheLibraryAllocatesThem) {
    if (FormatRegistry().FindExtension("heic") < 0)
        GTEST_SKIP() << "built without libheif";
    const auto peakMiB = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmPeak:", 0) == 0)
                return std::atol(line.c_str() + 7) / 1024;
        return 0L;
    };
    for (const char* file : {"overlay-huge-canvas.heic", "grid-beside-unreadable-locations.heic"}) {
        const long before = peakMiB();
        const TPictureLoadScope load;
        EXPECT_THROW(PictureClassTable().LoadFromFile(Library + file), EInvalidGraphic) << file;
        EXPECT_LT(peakMiB() - before, 256) << file;
    }
}

class LibraryMetadata : public TRegisteredFormatsTest {};

TEST_F(LibraryMetadata, CodingPointsOtherThanSrgbsBecomeAProfile) {
    if (FormatRegistry().FindExtension("avif") < 0)
        GTEST_SKIP() << "built without libavif";
    const auto profileOf = [](const char* file) {
        return PictureClassTable().LoadFromFile(Library + file)->Metadata.IccProfile;
    };
    EXPECT_TRUE(profileOf("lossy.avif").empty()); // sRGB's code points: nothing to convert
    EXPECT_EQ(profileOf("display-p3.avif"), CodingPointsProfile(12, 13));
    EXPECT_FALSE(CodingPointsProfile(12, 13).empty());
    EXPECT_TRUE(CodingPointsProfile(9, 16).empty()); // HDR
}

INSTANTIATE_TEST_SUITE_P(Files, LibraryReader, ::testing::ValuesIn(LibraryCases),
                         [](const auto& info) { return TestNameFromText(info.param.File); });

} // namespace
