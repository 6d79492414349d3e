#include "formats/HEIFDerivedImages.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes operator+(TBytes left, const TBytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

TBytes Big(uint64_t value, int bytes) {
    TBytes out;
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
    return out;
}

TBytes Box(const char* type, const TBytes& body) {
    TBytes box = Big(body.size() + 8, 4);
    box.insert(box.end(), type, type + 4);
    return box + body;
}

TBytes FullBox(const char* type, uint8_t version, const TBytes& body) {
    return Box(type, Big(uint64_t(version) << 24, 4) + body);
}

// An infe of version 2 (16-bit IDs) or 3 (32-bit).
TBytes ItemInfo(uint32_t id, const char* type, uint8_t version = 2) {
    const TBytes name{0};
    return FullBox("infe", version,
                   Big(id, version == 2 ? 2 : 4) + Big(0, 2) + TBytes(type, type + 4) + name);
}

struct TExtentPlace {
    uint32_t Offset;
    uint32_t Length;
};

// An iloc entry: version 1 (16-bit IDs) or 2 (32-bit), offsets of OFFSETBYTES, 32-bit lengths.
TBytes LocationEntry(uint32_t id, uint8_t method, const std::vector<TExtentPlace>& extents,
                     uint8_t version = 1, int offsetBytes = 4) {
    TBytes entry =
        Big(id, version == 2 ? 4 : 2) + Big(method, 2) + Big(0, 2) + Big(extents.size(), 2);
    for (const TExtentPlace& extent : extents)
        entry = entry + Big(extent.Offset, offsetBytes) + Big(extent.Length, 4);
    return entry;
}

TBytes Locations(const std::vector<TBytes>& entries, uint8_t version = 1, int offsetBytes = 4) {
    TBytes body =
        TBytes{uint8_t(offsetBytes << 4 | 4), 0x00} + Big(entries.size(), version == 2 ? 4 : 2);
    for (const TBytes& entry : entries)
        body = body + entry;
    return FullBox("iloc", version, body);
}

TBytes ItemLocation(uint32_t id, uint8_t method, const std::vector<TExtentPlace>& extents,
                    uint8_t version = 1) {
    return Locations({LocationEntry(id, method, extents, version)}, version);
}

TBytes GridDescriptor(uint32_t width, uint32_t height, bool wide = false) {
    return TBytes{0, uint8_t(wide), 1, 1} + Big(width, wide ? 4 : 2) + Big(height, wide ? 4 : 2);
}

TBytes OverlayDescriptor(uint32_t width, uint32_t height, bool wide = false) {
    return TBytes{0, uint8_t(wide)} + TBytes(8, 0xFF) + Big(width, wide ? 4 : 2) +
           Big(height, wide ? 4 : 2);
}

const TBytes FileType = Box("ftyp", TBytes{'h', 'e', 'i', 'c', 0, 0, 0, 0});

TBytes MetaFile(const TBytes& children) {
    return FileType + FullBox("meta", 0, children);
}

const TBytes GridInfo = FullBox("iinf", 0, Big(1, 2) + ItemInfo(1, "grid"));

// A file whose one item, of TYPE, is described by DESCRIPTOR in idat (method 1) cut into
// EXTENTS, or placed after the meta box (method 0) when EXTENTS is empty.
TBytes OneItemFile(const char* type, const TBytes& descriptor,
                   std::vector<TExtentPlace> extents = {{0, 0}}, uint8_t version = 2) {
    const TBytes info = FullBox("iinf", 0, Big(1, 2) + ItemInfo(1, type, version));
    if (!extents.empty())
        return MetaFile(info + ItemLocation(1, 1, extents, version == 3 ? 2 : 1) +
                        Box("idat", descriptor));
    // The meta box's size does not depend on the offset it holds.
    const size_t metaSize = FullBox("meta", 0, info + ItemLocation(1, 0, {{0, 0}})).size();
    const uint32_t offset = uint32_t(FileType.size() + metaSize + 8);
    const TBytes meta =
        FullBox("meta", 0, info + ItemLocation(1, 0, {{offset, uint32_t(descriptor.size())}}));
    return FileType + meta + Box("mdat", descriptor);
}

struct TCanvasCase {
    const char* Name;
    TBytes File;
    std::optional<std::vector<std::pair<int64_t, int64_t>>> Canvases; // none: unreadable
};

using TSizes = std::vector<std::pair<int64_t, int64_t>>;

const TCanvasCase CanvasCases[] = {
    {"GridInIdat", OneItemFile("grid", GridDescriptor(24, 427)), TSizes{{24, 427}}},
    {"WideGrid", OneItemFile("grid", GridDescriptor(70000, 5, true)), TSizes{{70000, 5}}},
    {"OverlayInMdat", OneItemFile("iovl", OverlayDescriptor(47472, 61577), {}),
     TSizes{{47472, 61577}}},
    {"WideOverlay", OneItemFile("iovl", OverlayDescriptor(3, 1u << 20, true)),
     TSizes{{3, 1 << 20}}},
    {"DescriptorAcrossExtents",
     OneItemFile("grid", GridDescriptor(640, 480), {{0, 1}, {1, 3}, {4, 0}}), TSizes{{640, 480}}},
    {"ThirtyTwoBitItemIds", OneItemFile("grid", GridDescriptor(9, 8), {{0, 8}}, 3), TSizes{{9, 8}}},
    {"CodedPictureOnly", OneItemFile("hvc1", GridDescriptor(1, 1)), TSizes{}},
    {"DescriptorCutShort", OneItemFile("grid", GridDescriptor(640, 480), {{0, 6}}), std::nullopt},
    {"ExtentPastIdat", OneItemFile("iovl", OverlayDescriptor(5, 5), {{20, 4}}), std::nullopt},
    {"NoMetaBox", FileType, TSizes{}},
    {"DerivedItemWithoutALocation",
     MetaFile(FullBox("iinf", 0, Big(2, 2) + ItemInfo(1, "hvc1") + ItemInfo(2, "grid")) +
              ItemLocation(1, 1, {{0, 0}}) + Box("idat", GridDescriptor(2, 2))),
     std::nullopt},
    // Where entries repeat, a reader might take either: both are weighed.
    {"RepeatedLocations",
     MetaFile(GridInfo + Locations({LocationEntry(1, 1, {{0, 8}}), LocationEntry(1, 1, {{8, 8}})}) +
              Box("idat", GridDescriptor(2, 3) + GridDescriptor(40000, 50000))),
     TSizes{{2, 3}, {40000, 50000}}},
    // No field has two bytes; a location box that cannot be read hides no box after it.
    {"TwoByteOffsetsBeforeTheItemTypes",
     MetaFile(Locations({LocationEntry(1, 1, {{0, 8}}, 1, 2)}, 1, 2) + GridInfo +
              Box("idat", GridDescriptor(2, 3))),
     std::nullopt},
};

class HEIFDerivedCanvasesTest : public ::testing::TestWithParam<TCanvasCase> {};

TEST_P(HEIFDerivedCanvasesTest, GivesTheDescriptorsCanvas) {
    const TCanvasCase& c = GetParam();
    const auto canvases = HEIFDerivedCanvases(c.File);
    ASSERT_EQ(canvases.has_value(), c.Canvases.has_value());
    if (!canvases)
        return;
    TSizes sizes;
    for (const THEIFCanvas& canvas : *canvases)
        sizes.emplace_back(canvas.Width, canvas.Height);
    EXPECT_EQ(sizes, *c.Canvases);
}

INSTANTIATE_TEST_SUITE_P(Files, HEIFDerivedCanvasesTest, ::testing::ValuesIn(CanvasCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Cut inside the meta box the file has no items; cut after it, the overlay's data is missing.
TEST(HEIFDerivedCanvases, ACutFileHasNoCanvasOrCannotBeWeighed) {
    const TBytes descriptor = OverlayDescriptor(100, 200);
    const TBytes file = OneItemFile("iovl", descriptor, {});
    const size_t metaEnd = file.size() - 8 - descriptor.size();
    for (size_t length = 0; length < file.size(); ++length) {
        const auto canvases = HEIFDerivedCanvases(std::span(file.data(), length));
        if (length < metaEnd)
            EXPECT_TRUE(canvases && canvases->empty()) << length;
        else
            EXPECT_FALSE(canvases) << length;
    }
}

} // namespace
