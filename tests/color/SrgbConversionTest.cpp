#include "color/SrgbConversion.h"

#include "platform/MetadataOptions.h"
#include "support/PictureChecks.h"

#include <gtest/gtest.h>

#include <lcms2.h>

namespace {

// A profile made by Little CMS and written out as a file would carry it.
std::vector<uint8_t> SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

std::vector<uint8_t> LinearGrayProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const std::vector<uint8_t> bytes = SavedProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

class SrgbConversions : public ::testing::Test {
protected:
    void TearDown() override { MetadataOptions() = {}; }
    const std::vector<uint8_t> Adobe = ReadTestData("library/adobe-rgb.icc");
};

TEST_F(SrgbConversions, NothingToDoForSrgbItselfOrProfilesThatDoNotFit) {
    using enum TProfiledPixels;
    EXPECT_EQ(SrgbConversion(SavedProfile(cmsCreate_sRGBProfile()), ppBgr), nullptr);
    EXPECT_EQ(SrgbConversion({}, ppBgr), nullptr);
    EXPECT_EQ(SrgbConversion(std::span(Adobe).first(100), ppBgr), nullptr); // damaged
    EXPECT_EQ(SrgbConversion(Adobe, ppCmyk), nullptr);                      // not CMYK
    std::vector<uint8_t> unnamedSpace = Adobe; // a fuzzer's: no colour space LittleCMS names
    std::copy_n("\xBD\xB3\xA6\xB4", 4, unnamedSpace.begin() + 16);
    EXPECT_EQ(SrgbConversion(unnamedSpace, ppBgr), nullptr);
    EXPECT_NE(SrgbConversion(Adobe, ppBgr), nullptr);
    MetadataOptions().ColorProfiles = false;
    EXPECT_EQ(SrgbConversion(Adobe, ppBgr), nullptr);
}

TEST_F(SrgbConversions, BuildsEachProfilesConversionOnce) {
    const auto first = SrgbConversion(Adobe, TProfiledPixels::ppBgr);
    EXPECT_EQ(SrgbConversion(std::vector<uint8_t>(Adobe), TProfiledPixels::ppBgr), first);
}

TEST_F(SrgbConversions, AGrayProfileConvertsTheGrayPixelsOnly) {
    // Linear gray 128 is 0.502 of white: 1.055 * 0.502^(1 / 2.4) - 0.055 = 0.7367 in sRGB.
    uint8_t pixels[] = {128, 128, 128, 10, 20, 30, 0, 0, 0, 255, 255, 255};
    SrgbConversion(LinearGrayProfile(), TProfiledPixels::ppBgr)->ConvertBgr(pixels, 4, 1, 12);
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + 12),
              (std::vector<uint8_t>{188, 188, 188, 10, 20, 30, 0, 0, 0, 255, 255, 255}));
}

} // namespace
