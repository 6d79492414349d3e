#include "color/ColorManager.h"
#include "platform/Exceptions.h"

#include "color/ColorTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const char* const InvalidDepthText =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const char* const InvalidSampleCountText =
    "Sample count per pixel does not correspond to the given color scheme.";
const char* const MismatchText =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
const char* const NoMethodText = "Color conversion failed. Could not find a proper method.";

// Runs ACTION and returns the message of the EColorConversionError it raises ("" if none).
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EColorConversionError& e) {
        return e.what();
    }
    return "";
}

uint8_t ReferenceGamma(int i, double exponent) {
    return uint8_t(std::nearbyint(std::pow(i / 255.0, exponent) * 255.0));
}

TEST(ColorManager, DefaultsConvertRgbToBgrSwappingRedAndBlue) {
    TColorManager manager;
    EXPECT_TRUE(manager.NeedsSelection());
    EXPECT_EQ(manager.SourceBits(), 8);
    EXPECT_EQ(manager.TargetBits(), 8);
    EXPECT_EQ(manager.SourceSamples(), 3);
    EXPECT_EQ(manager.TargetSamples(), 3);
    EXPECT_EQ(manager.SourceScheme(), psRGB);
    EXPECT_EQ(manager.TargetScheme(), psBGR);
    EXPECT_EQ(manager.SourceFlags(), 0);
    EXPECT_EQ(manager.TargetFlags(), 0);
    EXPECT_FLOAT_EQ(manager.MainGamma(), 1.0f);
    EXPECT_FLOAT_EQ(manager.DisplayGamma(), 2.2f);
    EXPECT_EQ(manager.LumaCoefficients(), (std::array<float, 3>{0.299f, 0.587f, 0.114f}));
    EXPECT_EQ(manager.HorizontalSubsampling(), 1);
    EXPECT_EQ(manager.VerticalSubsampling(), 1);
    const std::vector<uint8_t> source{255, 0, 0, 1, 2, 3};
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(6), 2),
              (std::vector<uint8_t>{0, 0, 255, 3, 2, 1}));
    EXPECT_FALSE(manager.NeedsSelection());
}

TEST(ColorManager, OrdinalsAndFlagBitsAreFixed) {
    EXPECT_EQ(int(psUnknown), 0);
    EXPECT_EQ(int(psGrayAlpha), 3);
    EXPECT_EQ(int(psBGRA), 7);
    EXPECT_EQ(int(psCMY), 8);
    EXPECT_EQ(int(psPhotoYCC), 12);
    EXPECT_EQ(cfAlpha | cfGamma | cfSwapBytes | cfLightness255 | cfChromaOffset128, 31);
    EXPECT_EQ(int(plPlanarQuad16), 7);
}

TEST(ColorManager, DepthsOutsideOneToSixteenAreRefusedAndKept) {
    TColorManager manager;
    for (uint32_t bad : {0u, 17u, 256u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ErrorOf([&] { manager.SetSourceBits(bad); }), InvalidDepthText);
        EXPECT_EQ(ErrorOf([&] { manager.SetTargetBits(bad); }), InvalidDepthText);
    }
    EXPECT_EQ(manager.SourceBits(), 8);
    EXPECT_EQ(manager.TargetBits(), 8);
    EXPECT_EQ(ErrorOf([&] { manager.SetSourceBits(3); }), "");
    EXPECT_EQ(manager.SourceBits(), 3);
    manager.SetTargetBits(16);
    EXPECT_EQ(manager.TargetBits(), 16);
}

TEST(ColorManager, SampleCountsOutsideOneToFourAreRefusedAndKept) {
    TColorManager manager;
    for (uint32_t bad : {0u, 5u, 260u}) {
        EXPECT_EQ(ErrorOf([&] { manager.SetSourceSamples(bad); }), InvalidSampleCountText);
        EXPECT_EQ(ErrorOf([&] { manager.SetTargetSamples(bad); }), InvalidSampleCountText);
    }
    EXPECT_EQ(manager.SourceSamples(), 3);
    manager.SetTargetSamples(4);
    EXPECT_EQ(manager.TargetSamples(), 4);
}

TEST(ColorManager, OnlyRealChangesAskForANewSelection) {
    const std::vector<std::function<void(TColorManager&)>> sameValue = {
        [](TColorManager& m) { m.SetSourceBits(8); },
        [](TColorManager& m) { m.SetTargetBits(8); },
        [](TColorManager& m) { m.SetSourceSamples(3); },
        [](TColorManager& m) { m.SetTargetSamples(3); },
        [](TColorManager& m) { m.SetSourceScheme(psRGB); },
        [](TColorManager& m) { m.SetTargetScheme(psBGR); },
        [](TColorManager& m) { m.SetSourceFlags(cfSwapBytes); },
        [](TColorManager& m) { m.SetTargetFlags(cfGamma); },
        [](TColorManager& m) { m.SetGammaValues(1.5f, 2.0f); },
    };
    const std::vector<std::function<void(TColorManager&)>> newValue = {
        [](TColorManager& m) { m.SetSourceBits(16); },
        [](TColorManager& m) { m.SetTargetBits(16); },
        [](TColorManager& m) { m.SetSourceSamples(4); },
        [](TColorManager& m) { m.SetTargetSamples(4); },
        [](TColorManager& m) { m.SetSourceScheme(psRGBA); },
        [](TColorManager& m) { m.SetTargetScheme(psBGRA); },
    };
    const std::vector<uint8_t> pixel{1, 2, 3};
    for (size_t k = 0; k < sameValue.size(); ++k) {
        TColorManager manager;
        Convert(manager, pixel, std::vector<uint8_t>(3), 1);
        sameValue[k](manager);
        EXPECT_FALSE(manager.NeedsSelection()) << "setter " << k;
    }
    for (size_t k = 0; k < newValue.size(); ++k) {
        TColorManager manager;
        Convert(manager, pixel, std::vector<uint8_t>(3), 1);
        newValue[k](manager);
        EXPECT_TRUE(manager.NeedsSelection()) << "setter " << k;
    }
}

TEST(ColorManager, SelectionOwnsTheAlphaFlag) {
    TColorManager manager =
        MakeManager(psRGBA, 8, psBGR, 8, cfAlpha | cfSwapBytes, cfAlpha | cfGamma);
    manager.SelectConverter();
    EXPECT_EQ(manager.SourceFlags(), cfAlpha | cfSwapBytes);
    EXPECT_EQ(manager.TargetFlags(), cfGamma);
    manager.SetSourceScheme(psBGR);
    manager.SetTargetScheme(psRGBA);
    manager.SelectConverter();
    EXPECT_EQ(manager.SourceFlags(), cfSwapBytes);
    EXPECT_EQ(manager.TargetFlags(), cfAlpha | cfGamma);
}

TEST(ColorManager, SelectionRefusesIndexedOnOneSideOnly) {
    struct Case {
        TPixelScheme source, target;
    };
    const Case cases[] = {
        {psGrayAlpha, psGrayAlpha}, {psGray, psGrayAlpha}, {psIndexed, psBGR}, {psGray, psRGB},
        {psRGB, psIndexed},         {psCMYK, psGray},
    };
    for (const Case& c : cases) {
        TColorManager manager = MakeManager(c.source, 8, c.target, 8);
        const std::vector<uint8_t> source(8);
        EXPECT_EQ(ErrorOf([&] { Convert(manager, source, std::vector<uint8_t>(8), 1); }),
                  MismatchText)
            << int(c.source) << " -> " << int(c.target);
        EXPECT_TRUE(manager.NeedsSelection());
        EXPECT_EQ(ErrorOf([&] { Convert(manager, source, std::vector<uint8_t>(8), 1); }),
                  MismatchText);
    }
}

TEST(ColorManager, PairsWithoutARoutineFailAtTheFirstConversion) {
    struct Case {
        TPixelScheme source;
        uint32_t sourceBits;
        TPixelScheme target;
        uint32_t targetBits;
    };
    const Case cases[] = {
        {psCMY, 8, psBGR, 8},        {psRGB, 8, psCMYK, 8},        {psBGR, 8, psCMYK, 8},
        {psCMYK, 8, psCMYK, 8},      {psLab, 8, psCMYK, 8},        {psYCbCr, 8, psCMYK, 8},
        {psUnknown, 8, psBGR, 8},    {psGray, 16, psGray, 4},      {psGray, 2, psIndexed, 16},
        {psGrayAlpha, 4, psGray, 8}, {psGrayAlpha, 16, psGray, 1},
    };
    for (const Case& c : cases) {
        TColorManager manager;
        EXPECT_EQ(
            ErrorOf([&] { manager = MakeManager(c.source, c.sourceBits, c.target, c.targetBits); }),
            "");
        const std::vector<uint8_t> source(8);
        EXPECT_EQ(ErrorOf([&] { Convert(manager, source, std::vector<uint8_t>(8), 1); }),
                  NoMethodText)
            << int(c.source) << " -> " << int(c.target);
        EXPECT_FALSE(manager.NeedsSelection());
        EXPECT_EQ(ErrorOf([&] { Convert(manager, source, std::vector<uint8_t>(8), 1); }),
                  NoMethodText);
    }
}

// A colour routine reads three or four samples a pixel: a source declared with one or two
// has rows too short for it.
TEST(ColorManager, ColourSourcesWithFewerThanThreeSamplesHaveNoRoutine) {
    for (const TPixelScheme scheme : {psRGB, psBGRA, psCMYK, psLab, psYCbCr}) {
        for (const uint32_t samples : {1u, 2u}) {
            TColorManager manager = MakeManager(scheme, 8, psBGR, 8);
            manager.SetSourceSamples(samples);
            const std::vector<uint8_t> source(2);
            EXPECT_EQ(ErrorOf([&] { Convert(manager, source, std::vector<uint8_t>(3), 1); }),
                      NoMethodText)
                << int(scheme) << " with " << samples;
        }
    }
    TColorManager manager = MakeManager(psRGB, 8, psBGR, 8);
    manager.SetSourceSamples(1);
    manager.SetSourceScheme(psGray);
    manager.SetTargetScheme(psGray);
    EXPECT_EQ(Convert(manager, {7}, std::vector<uint8_t>(1), 1), std::vector<uint8_t>{7});
}

TEST(ColorManager, SourceBitsThreeIsAcceptedAndColourRoutinesWriteNothing) {
    TColorManager manager = MakeManager(psRGB, 3, psBGR, 8);
    const std::vector<uint8_t> source{1, 2, 3};
    EXPECT_EQ(Convert(manager, source, std::vector<uint8_t>(3, 9), 1),
              (std::vector<uint8_t>(3, 9)));
}

TEST(ColorManager, GammaTableFollowsBothGammasForEveryEntry) {
    TColorManager manager;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(manager.GammaTable()[i], ReferenceGamma(i, 1 / 2.2)) << i;
    manager.SetGammaValues(0.5f, 2.0f);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(manager.GammaTable()[i], i);
    manager.SetGammaValues(0.45455f, 2.2f);
    EXPECT_FLOAT_EQ(manager.MainGamma(), 0.45455f);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(manager.GammaTable()[i], ReferenceGamma(i, 1 / (0.45455f * 2.2f))) << i;
    manager.SetGammaValues(0, -1);
    EXPECT_FLOAT_EQ(manager.MainGamma(), 1.0f);
    EXPECT_FLOAT_EQ(manager.DisplayGamma(), 2.2f);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(manager.GammaTable()[i], ReferenceGamma(i, 1 / 2.2)) << i;
}

TEST(ColorManager, GammaTableSpansEightBitsAlsoForShallowPictures) {
    TColorManager manager = MakeManager(psIndexed, 4, psIndexed, 4);
    manager.SetGammaValues(1.0f, 2.2f);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(manager.GammaTable()[i], ReferenceGamma(i, 1 / 2.2)) << i;
}

// Found by fuzzing the TIFF reader: weights come from files, and a green weight at or near 0
// gave the chroma tables values that do not fit an integer.
TEST(ColorManager, ZeroGreenWeightKeepsTheChromaTablesFinite) {
    TColorManager manager = MakeManager(psYCbCr, 8, psBGR, 8);
    const std::array<float, 3> weights{0.299f, 0.0f, 0.114f};
    manager.SetYCbCrSetup(weights, 1, 1);
    const std::vector<uint8_t> target = Convert(manager, {128, 0, 255}, std::vector<uint8_t>(3), 1);
    EXPECT_EQ(target[0], 0);   // blue: Cb far below its middle
    EXPECT_EQ(target[2], 255); // red: Cr far above it
}

TEST(ColorManager, YCbCrSetupStoresWeightsBeforeCheckingSubsampling) {
    struct Case {
        std::vector<float> weights;
        uint32_t horizontal, vertical;
        const char* error;
        std::array<float, 3> storedWeights;
        uint8_t storedHorizontal, storedVertical;
    };
    const char* invalid = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
    const char* order = "Vertical subsampling value must be <= horizontal subsampling value.";
    const Case cases[] = {
        {{0.2126f, 0.7152f, 0.0722f}, 2, 2, "", {0.2126f, 0.7152f, 0.0722f}, 2, 2},
        {{0.25f}, 4, 1, "", {0.25f, 0.587f, 0.114f}, 4, 1},
        {{0.25f, 0.5f}, 1, 2, order, {0.25f, 0.5f, 0.114f}, 1, 1},
        {{0.3f, 0.6f, 0.1f}, 3, 1, invalid, {0.3f, 0.6f, 0.1f}, 1, 1},
        {{0.3f}, 2, 0, invalid, {0.3f, 0.587f, 0.114f}, 1, 1},
        {{0.3f}, 1, 8, invalid, {0.3f, 0.587f, 0.114f}, 1, 1},
    };
    for (const Case& c : cases) {
        TColorManager manager;
        EXPECT_EQ(ErrorOf([&] { manager.SetYCbCrSetup(c.weights, c.horizontal, c.vertical); }),
                  c.error);
        EXPECT_EQ(manager.LumaCoefficients(), c.storedWeights);
        EXPECT_EQ(manager.HorizontalSubsampling(), c.storedHorizontal);
        EXPECT_EQ(manager.VerticalSubsampling(), c.storedVertical);
    }
}

TEST(ColorManager, NativePixelFormatFollowsSamplesAndBits) {
    struct Case {
        uint32_t samples, bits;
        TPixelFormat expected;
    };
    const Case cases[] = {
        {1, 1, TPixelFormat::pf1bit},   {1, 2, TPixelFormat::pf4bit},
        {1, 4, TPixelFormat::pf4bit},   {1, 5, TPixelFormat::pfCustom},
        {1, 7, TPixelFormat::pfCustom}, {1, 8, TPixelFormat::pf8bit},
        {1, 16, TPixelFormat::pf8bit},  {2, 8, TPixelFormat::pfCustom},
        {3, 1, TPixelFormat::pf15bit},  {3, 5, TPixelFormat::pf15bit},
        {3, 6, TPixelFormat::pf24bit},  {3, 8, TPixelFormat::pf24bit},
        {3, 16, TPixelFormat::pf24bit}, {4, 4, TPixelFormat::pfCustom},
        {4, 8, TPixelFormat::pf32bit},  {4, 16, TPixelFormat::pf32bit},
    };
    for (const Case& c : cases) {
        TColorManager manager;
        manager.SetTargetSamples(c.samples);
        manager.SetTargetBits(c.bits);
        EXPECT_EQ(manager.NativePixelFormat(TargetSide), c.expected) << c.samples << "x" << c.bits;
        EXPECT_EQ(manager.NativePixelFormat(7), c.expected);
        EXPECT_EQ(manager.NativePixelFormat(SourceSide), TPixelFormat::pf24bit);
        manager.SetSourceSamples(c.samples);
        manager.SetSourceBits(c.bits);
        EXPECT_EQ(manager.NativePixelFormat(SourceSide), c.expected);
    }
}

} // namespace

namespace {

// Bytes a run reads or writes: pixels of SAMPLES samples at BITS each, packed below 8 bits.
size_t RunBytes(uint32_t pixels, uint32_t samples, uint32_t bits) {
    if (bits < 8) {
        const uint32_t perByte = 8 / bits;
        return (pixels + perByte - 1) / perByte;
    }
    return size_t(pixels) * samples * (bits / 8);
}

uint32_t SamplesOf(TPixelScheme scheme) {
    switch (scheme) {
    case psIndexed:
    case psGray:
        return 1;
    case psGrayAlpha:
        return 2;
    case psRGBA:
    case psBGRA:
    case psCMYK:
        return 4;
    default:
        return 3;
    }
}

// Pixel I of a target run: its field below 8 bits (a new byte after every 8 / bits pixels,
// first pixel in the high bits), else its bytes.
std::vector<uint8_t> TargetPixel(const std::vector<uint8_t>& run, uint32_t i, uint32_t samples,
                                 uint32_t bits) {
    if (bits < 8) {
        const uint32_t perByte = 8 / bits;
        const uint32_t shift = 8 - bits * (i % perByte + 1);
        return {uint8_t((run[i / perByte] >> shift) & ((1u << bits) - 1))};
    }
    const size_t size = size_t(samples) * (bits / 8);
    return std::vector<uint8_t>(run.begin() + i * size, run.begin() + (i + 1) * size);
}

// Every routine, every depth pair and mask, on buffers exactly as large as the run (the
// sanitizer build turns any access past them into a failure): the selected pixels, all
// converted from the same samples, come out alike, and the others keep what they held.
TEST(ColorManager, RunsStayInsideExactlySizedBuffers) {
    const std::pair<TPixelScheme, std::vector<TPixelScheme>> pairs[] = {
        {psIndexed, {psIndexed}},  {psGray, {psGray}},        {psGrayAlpha, {psGray}},
        {psRGB, {psBGR, psBGRA}},  {psRGBA, {psRGBA, psBGR}}, {psBGRA, {psBGRA}},
        {psCMYK, {psBGR, psRGBA}}, {psLab, {psBGR}},          {psYCbCr, {psRGB, psBGRA}},
        {psPhotoYCC, {psBGR}},
    };
    const uint32_t depths[] = {1, 2, 3, 4, 8, 16};
    const uint8_t masks[] = {0xFF, 0x88, 0xAA, 0x01};
    int converted = 0;
    for (const auto& [source, targets] : pairs)
        for (TPixelScheme target : targets)
            for (uint32_t sourceBits : depths)
                for (uint32_t targetBits : depths)
                    for (uint8_t mask : masks)
                        for (uint32_t count : {0u, 1u, 7u, 29u, 100u}) {
                            const bool packed = source <= psGray;
                            if (!packed && (sourceBits < 8 || targetBits < 8))
                                continue;
                            TColorManager manager = MakeManager(source, sourceBits, target,
                                                                targetBits, cfSwapBytes, cfGamma);
                            auto selected = [mask](uint32_t i) {
                                return ((mask >> (7 - i % 8)) & 1) != 0;
                            };
                            uint32_t selectedCount = 0;
                            for (uint32_t i = 0; i < count; ++i)
                                selectedCount += selected(i);
                            const std::vector<uint8_t> in(
                                RunBytes(selectedCount, SamplesOf(source), sourceBits), 0xFF);
                            const uint32_t samples = SamplesOf(target);
                            const std::vector<uint8_t> before(RunBytes(count, samples, targetBits),
                                                              0x5A);
                            std::vector<uint8_t> out = before;
                            try {
                                manager.ConvertPixels(in.data(), out.data(), count, mask);
                            } catch (const EColorConversionError&) {
                                continue; // pairs without a routine
                            }
                            ++converted;
                            // Whole 3-bit runs are copied in the source's layout of fields
                            // running on across bytes, not the target's two a byte.
                            if (targetBits == 3 && sourceBits == 3 && mask == 0xFF)
                                continue;
                            std::vector<uint8_t> first;
                            for (uint32_t i = 0; i < count; ++i) {
                                const auto pixel = TargetPixel(out, i, samples, targetBits);
                                if (first.empty() && selected(i))
                                    first = pixel;
                                const auto expected =
                                    selected(i) ? first
                                                : TargetPixel(before, i, samples, targetBits);
                                ASSERT_EQ(pixel, expected)
                                    << int(source) << " -> " << int(target) << " bits "
                                    << sourceBits << " -> " << targetBits << " mask " << int(mask)
                                    << " pixel " << i << " of " << count;
                            }
                        }
    EXPECT_GT(converted, 1000);
}

} // namespace
