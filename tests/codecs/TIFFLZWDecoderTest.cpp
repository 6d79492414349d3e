#include "codecs/TIFFLZWDecoder.h"

#include "codecs/CodecFixtures.h"
#include "codecs/LZWCodeWriter.h"
#include "formats/LibtiffMemoryFile.h"

#include <gtest/gtest.h>

#include <algorithm>

using codec_fixtures::Bytes;

namespace {

// Written beyond dest to catch overruns; what the data do not yield in dest is 0.
constexpr uint8_t Canary = 0xEE;

Bytes DecodeTiff(const Bytes& packed, int32_t unpackedSize) {
    TTIFFLZWDecoder decoder;
    Bytes output(static_cast<size_t>(std::max(unpackedSize, 0)) + 1, Canary);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), unpackedSize);
    EXPECT_EQ(source, packed.data());
    EXPECT_EQ(dest, output.data());
    EXPECT_EQ(output.back(), Canary) << "wrote past the unpacked size";
    output.pop_back();
    return output;
}

// Nine-bit codes, most significant bit first.
Bytes Codes9(std::initializer_list<uint32_t> codes) {
    TLZWCodeWriter writer(true);
    for (const uint32_t code : codes)
        writer.Put(code, 9);
    return writer.Bytes;
}

} // namespace

TEST(TIFFLZWDecoder, DecodesTheFirstTableEntry) {
    EXPECT_EQ(DecodeTiff(Codes9({256, 65, 66, 258, 257}), 4), (Bytes{65, 66, 65, 66}));
}

TEST(TIFFLZWDecoder, StripWithoutLeadingClearDecodes) {
    EXPECT_EQ(DecodeTiff(Codes9({65, 66, 258, 257}), 4), (Bytes{65, 66, 65, 66}));
}

TEST(TIFFLZWDecoder, CodeEqualToTheFreeCodeRepeatsThePreviousStringsFirstByte) {
    EXPECT_EQ(DecodeTiff(Codes9({256, 7, 258, 259, 257}), 6), (Bytes{7, 7, 7, 7, 7, 7}));
}

// N single-byte codes after a clear add the entries 258 to 256 + N, and the next code
// (that entry, the bytes N - 2 and N - 1) is 10 bits wide. TIFF 5 widens as code 510 is
// added, one code before GIF; writers before it put the codes least significant bit first
// and widened as GIF does, and a leading clear code tells their strips apart.
struct TWidthCase {
    const char* Name;
    bool OldStyle;
    uint32_t NineBitCodes;
};

class TIFFLZWWidth : public ::testing::TestWithParam<TWidthCase> {};

TEST_P(TIFFLZWWidth, GrowsOnceTheTableFillsTheWidth) {
    const uint32_t n = GetParam().NineBitCodes;
    TLZWCodeWriter writer(!GetParam().OldStyle);
    writer.Put(256, 9);
    Bytes expected;
    for (uint32_t i = 0; i < n; ++i) {
        writer.Put(i, 9);
        expected.push_back(static_cast<uint8_t>(i));
    }
    writer.Put(256 + n, 10);
    writer.Put(257, 10);
    expected.push_back(static_cast<uint8_t>(n - 2));
    expected.push_back(static_cast<uint8_t>(n - 1));
    expected.push_back(0);
    EXPECT_EQ(DecodeTiff(writer.Bytes, static_cast<int32_t>(expected.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(Styles, TIFFLZWWidth,
                         ::testing::Values(TWidthCase{"Current", false, 254},
                                           TWidthCase{"BeforeTIFF5", true, 255}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TIFFLZWDecoder, ClearResetsTheWidth) {
    TLZWCodeWriter writer(true);
    writer.Put(256, 9);
    for (uint32_t i = 0; i < 254; ++i)
        writer.Put(i, 9);
    writer.Put(256, 10);
    writer.Put(1, 9);
    writer.Put(258, 9);
    writer.Put(257, 9);
    const Bytes output = DecodeTiff(writer.Bytes, 258);
    EXPECT_EQ(Bytes(output.begin() + 254, output.end()), (Bytes{1, 1, 1, 0}));
}

TEST(TIFFLZWDecoder, EndOfInformationStopsAtOnce) {
    EXPECT_EQ(DecodeTiff(Codes9({256, 65, 257, 66, 257}), 2), (Bytes{65, 0}));
}

TEST(TIFFLZWDecoder, CodeBeyondTheTableIsDropped) {
    EXPECT_EQ(DecodeTiff(Codes9({256, 65, 300, 66, 258, 257}), 5), (Bytes{65, 66, 65, 66, 0}));
    // The first code after a clear has no previous string to define the free code with.
    EXPECT_EQ(DecodeTiff(Codes9({256, 258, 66, 257}), 2), (Bytes{66, 0}));
}

TEST(TIFFLZWDecoder, DataEndingInsideACodeStopQuietly) {
    const Bytes packed = Codes9({256, 65, 66, 258, 257});
    EXPECT_EQ(DecodeTiff(Bytes(packed.begin(), packed.begin() + 3), 4), (Bytes{65, 0, 0, 0}));
    EXPECT_EQ(DecodeTiff({}, 2), (Bytes{0, 0}));
}

TEST(TIFFLZWDecoder, StringsAreCutAtTheUnpackedSize) {
    EXPECT_EQ(DecodeTiff(Codes9({256, 65, 66, 258, 257}), 3), (Bytes{65, 66, 65}));
    EXPECT_EQ(DecodeTiff(Codes9({256, 65}), 0), Bytes{});
    EXPECT_EQ(DecodeTiff(Codes9({256, 65}), -3), Bytes{});
}

TEST(TIFFLZWDecoder, FullTableKeepsItsLastEntryAndTerminates) {
    TLZWCodeWriter writer(true);
    uint32_t width = 9;
    writer.Put(256, width);
    writer.Put(7, width);
    uint64_t expectedLength = 1;
    for (uint32_t freeCode = 258; freeCode < 4096; ++freeCode) {
        writer.Put(freeCode, width);
        expectedLength += freeCode - 256;
        if (freeCode + 1 == (1u << width) - 1 && width < 12)
            ++width;
    }
    for (int i = 0; i < 3; ++i)
        writer.Put(4095, 12);
    expectedLength += 3 * (4095 - 256);
    const Bytes output = DecodeTiff(writer.Bytes, static_cast<int32_t>(expectedLength + 1));
    EXPECT_EQ(std::count(output.begin(), output.end(), 7), static_cast<long>(expectedLength));
    EXPECT_EQ(output.back(), 0);
}

TEST(TIFFLZWDecoder, DecodesLibtiffsLzwStrip) {
    const codec_fixtures::TGrayPicture truth = codec_fixtures::ReadPgm("codecs-noise.pgm");
    const Bytes packed = codec_fixtures::ReadTiffStrip("codecs-noise-lzw.tif");
    EXPECT_EQ(DecodeTiff(packed, static_cast<int32_t>(truth.Pixels.size())), truth.Pixels);
}

// libtiff's encoder as the independent truth, on pictures that stress different strings:
// noise refills the table every few thousand codes, runs make codes equal to the free code
// with strings far longer than a copy block, a repeated ramp long strings of other codes.
namespace {

Bytes LibtiffLzwStrip(const Bytes& pixels, uint32_t width) {
    TLibtiffMemoryFile written;
    TIFF* out = written.Open("w");
    const uint32_t height = uint32_t(pixels.size() / width);
    for (const auto& [tag, value] : {std::pair<ttag_t, uint32_t>{TIFFTAG_IMAGEWIDTH, width},
                                     {TIFFTAG_IMAGELENGTH, height},
                                     {TIFFTAG_BITSPERSAMPLE, 8},
                                     {TIFFTAG_SAMPLESPERPIXEL, 1},
                                     {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK},
                                     {TIFFTAG_COMPRESSION, COMPRESSION_LZW},
                                     {TIFFTAG_ROWSPERSTRIP, height}})
        TIFFSetField(out, tag, value);
    TIFFWriteEncodedStrip(out, 0, const_cast<uint8_t*>(pixels.data()), tmsize_t(pixels.size()));
    TIFFClose(out);
    TLibtiffMemoryFile file(written.Bytes());
    TIFF* in = file.Open("r");
    Bytes packed(size_t(TIFFRawStripSize(in, 0)));
    TIFFReadRawStrip(in, 0, packed.data(), tmsize_t(packed.size()));
    TIFFClose(in);
    return packed;
}

struct TPictureCase {
    const char* Name;
    uint8_t (*Pixel)(uint32_t i);
};

class TIFFLZWRoundTrip : public ::testing::TestWithParam<TPictureCase> {
protected:
    static constexpr uint32_t Width = 256, Height = 96;
    void SetUp() override {
        for (uint32_t i = 0; i < Width * Height; ++i)
            Pixels.push_back(GetParam().Pixel(i));
        Packed = LibtiffLzwStrip(Pixels, Width);
    }
    Bytes Pixels, Packed;
};

TEST_P(TIFFLZWRoundTrip, DecodesWhatLibtiffEncoded) {
    EXPECT_EQ(DecodeTiff(Packed, int32_t(Pixels.size())), Pixels);
}

TEST_P(TIFFLZWRoundTrip, OutputCutAnywhereKeepsItsStart) {
    const uint32_t n = uint32_t(Pixels.size());
    for (const uint32_t size : {1u, 15u, 16u, 17u, 4111u, 4112u, 4113u, n / 2, n - 4113, n - 4112,
                                n - 17, n - 16, n - 1}) {
        const Bytes output = DecodeTiff(Packed, int32_t(size));
        ASSERT_TRUE(std::equal(output.begin(), output.end(), Pixels.begin())) << size;
    }
}

TEST_P(TIFFLZWRoundTrip, InputCutLeavesZerosAfterWhatItYields) {
    const Bytes half(Packed.begin(), Packed.begin() + std::ptrdiff_t(Packed.size() / 2));
    const Bytes output = DecodeTiff(half, int32_t(Pixels.size()));
    const auto yielded = std::mismatch(output.begin(), output.end(), Pixels.begin()).first;
    EXPECT_GT(yielded - output.begin(), std::ptrdiff_t(Pixels.size() / 4));
    EXPECT_TRUE(std::all_of(yielded, output.end(), [](uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, TIFFLZWRoundTrip,
    ::testing::Values(TPictureCase{"Noise",
                                   [](uint32_t i) { return uint8_t((i * 2654435761u) >> 24); }},
                      TPictureCase{"Runs", [](uint32_t i) { return uint8_t(i / 3000 * 40 + 1); }},
                      TPictureCase{"Ramps", [](uint32_t i) { return uint8_t(i % 700 / 3); }}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
