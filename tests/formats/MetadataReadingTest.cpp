#include "formats/ExifOrientation.h"
#include "formats/JPEGImage.h"
#include "formats/JPEGMetadata.h"
#include "formats/PNGProfile.h"
#include "formats/PhotoshopResources.h"
#include "support/PictureChecks.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Join(std::initializer_list<TBytes> parts) {
    TBytes joined;
    for (const TBytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// A TIFF header and one directory whose single entry is TAG of TYPE with VALUE.
TBytes ExifBlock(bool bigEndian, uint16_t tag, uint16_t type, uint32_t value) {
    auto u16 = [&](uint16_t v) {
        return bigEndian ? TBytes{uint8_t(v >> 8), uint8_t(v)}
                         : TBytes{uint8_t(v), uint8_t(v >> 8)};
    };
    auto u32 = [&](uint32_t v) {
        return bigEndian ? Join({u16(uint16_t(v >> 16)), u16(uint16_t(v))})
                         : Join({u16(uint16_t(v)), u16(uint16_t(v >> 16))});
    };
    const TBytes valueField = type == 3 ? Join({u16(uint16_t(value)), {0, 0}}) : u32(value);
    return Join({bigEndian ? TBytes{'M', 'M'} : TBytes{'I', 'I'}, u16(42), u32(8), u16(1), u16(tag),
                 u16(type), u32(1), valueField, u32(0)});
}

TBytes Prefix(TBytes bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

const TBytes ExifPrefix = {'E', 'x', 'i', 'f', 0, 0};

struct TExifCase {
    const char* Name;
    TBytes Block;
    uint8_t Orientation;
};

const TExifCase ExifCases[] = {
    {"little endian", ExifBlock(false, 0x0112, 3, 6), 6},
    {"big endian", ExifBlock(true, 0x0112, 3, 8), 8},
    {"with the JPEG prefix", Join({ExifPrefix, ExifBlock(true, 0x0112, 3, 3)}), 3},
    {"as a long", ExifBlock(false, 0x0112, 4, 5), 5},
    {"another tag only", ExifBlock(false, 0x0110, 3, 6), 1},
    {"out of range", ExifBlock(true, 0x0112, 3, 9), 1},
    {"zero", ExifBlock(true, 0x0112, 3, 0), 1},
    {"cut inside the entry", Prefix(ExifBlock(false, 0x0112, 3, 6), 16), 1},
    {"not TIFF", {'I', 'I', 43, 0, 8, 0, 0, 0}, 1},
    {"empty", {}, 1},
};

TEST(ExifOrientation, ReadsTheFirstDirectorysOrientation) {
    for (const TExifCase& c : ExifCases)
        EXPECT_EQ(ExifOrientation(c.Block), c.Orientation) << c.Name;
}

TEST(ExifOrientation, ADirectoryPastTheEndIsNoOrientation) {
    TBytes block = ExifBlock(false, 0x0112, 3, 6);
    block[4] = 0xF0; // directory offset 240
    EXPECT_EQ(ExifOrientation(block), 1);
}

TBytes Segment(uint8_t marker, const TBytes& payload) {
    const size_t length = payload.size() + 2;
    return Join({{0xFF, marker, uint8_t(length >> 8), uint8_t(length)}, payload});
}

TBytes IccSegment(uint8_t sequence, uint8_t count, const TBytes& chunk) {
    const std::string signature = "ICC_PROFILE";
    return Segment(0xE2,
                   Join({TBytes(signature.begin(), signature.end()), {0, sequence, count}, chunk}));
}

const TBytes Start = {0xFF, 0xD8};
const TBytes Scan = {0xFF, 0xDA, 0, 2};

TEST(JPEGMetadata, JoinsTheProfileChunksInSequenceOrder) {
    const TBytes file =
        Join({Start, IccSegment(2, 3, {4, 5}),
              Segment(0xE1, Join({ExifPrefix, ExifBlock(true, 0x0112, 3, 6)})),
              IccSegment(1, 3, {1, 2, 3}), IccSegment(3, 3, {6}), Scan, IccSegment(4, 4, {9})});
    const TPictureMetadata metadata = ReadJPEGMetadata(file);
    EXPECT_EQ(metadata.IccProfile, (TBytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(metadata.Orientation, 6);
}

TEST(JPEGMetadata, LeavesOutAProfileWithAChunkMissingOrRepeated) {
    EXPECT_TRUE(ReadJPEGMetadata(Join({Start, IccSegment(1, 2, {1}), Scan})).IccProfile.empty());
    EXPECT_TRUE(ReadJPEGMetadata(Join({Start, IccSegment(1, 2, {1}), IccSegment(1, 2, {1}),
                                       IccSegment(2, 2, {2}), Scan}))
                    .IccProfile.empty());
}

TEST(JPEGMetadata, FilesOfTheTools) {
    TJPEGImage rotated, profiled;
    rotated.LoadFromFile(std::string(PELORAMA_TEST_DATA) + "/library/orientation-6.jpg");
    profiled.LoadFromFile(std::string(PELORAMA_TEST_DATA) + "/library/adobe-rgb.jpg");
    EXPECT_EQ(rotated.Metadata.Orientation, 6);
    EXPECT_TRUE(rotated.Metadata.IccProfile.empty());
    EXPECT_EQ(profiled.Metadata.IccProfile, ReadTestData("library/adobe-rgb.icc"));
    const TBytes file = ReadTestData("library/adobe-rgb.jpg");
    for (size_t length = 0; length < 800; ++length) // any prefix: no read past the end
        ReadJPEGMetadata(std::span(file).first(length));
}

TBytes Resource(uint16_t id, const std::string& name, const TBytes& data) {
    TBytes pascalName = {uint8_t(name.size())};
    for (char letter : name)
        pascalName.push_back(uint8_t(letter));
    TBytes padded = data;
    if (pascalName.size() % 2)
        pascalName.push_back(0);
    if (padded.size() % 2)
        padded.push_back(0);
    const size_t size = data.size();
    return Join({{'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id)},
                 pascalName,
                 {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)},
                 padded});
}

TEST(PhotoshopResources, FindsTheProfileAmongTheResources) {
    const TBytes resources = Join(
        {Resource(1005, "", {1, 2, 3}), Resource(1039, "icc", {7, 8, 9}), Resource(1060, "x", {})});
    EXPECT_EQ(PhotoshopIccProfile(resources), (TBytes{7, 8, 9}));
    EXPECT_TRUE(PhotoshopIccProfile(Resource(1005, "", {1})).empty());
    TBytes cut = resources;
    cut.resize(30); // the profile's data runs past the end
    EXPECT_TRUE(PhotoshopIccProfile(cut).empty());
}

TEST(PNGProfile, InflatesTheChunksProfile) {
    const TBytes profile = ReadTestData("library/adobe-rgb.icc");
    uLongf size = compressBound(uLong(profile.size()));
    TBytes compressed(size);
    ASSERT_EQ(compress(compressed.data(), &size, profile.data(), uLong(profile.size())), Z_OK);
    compressed.resize(size);
    const TBytes chunk = Join({{'A', 'd', 'o', 'b', 'e', 0, 0}, compressed});
    EXPECT_EQ(InflateICCPChunk(chunk), profile);
    EXPECT_TRUE(InflateICCPChunk(TBytes(chunk.begin(), chunk.end() - 4)).empty()); // cut short
    TBytes otherMethod = chunk;
    otherMethod[6] = 1;
    EXPECT_TRUE(InflateICCPChunk(otherMethod).empty());
}

} // namespace
