#include "formats/HEIFDerivedImages.h"

#include "platform/ByteCursor.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace {

// Box walking stops at the first box that does not fit; what was found before it stands.
[[noreturn]] void Overrun() {
    throw std::out_of_range("HEIF box");
}

struct TBox {
    uint32_t Type;
    TByteCursor Body;
};

constexpr uint32_t FourCC(std::string_view code) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

std::optional<TBox> NextBox(TByteCursor& cursor) {
    if (cursor.Remaining() < 8)
        return std::nullopt;
    uint64_t size = cursor.U32();
    const uint32_t type = cursor.U32();
    uint64_t header = 8;
    if (size == 1) {
        size = cursor.U64();
        header = 16;
    } else if (size == 0) {
        size = cursor.Remaining() + header;
    }
    if (size < header)
        Overrun();
    return TBox{type, cursor.TakeRange(size - header)};
}

// Skips a full box's version and flags, giving the version.
uint8_t FullBoxVersion(TByteCursor& body) {
    const uint32_t versionAndFlags = body.U32();
    return uint8_t(versionAndFlags >> 24);
}

uint64_t SizedValue(TByteCursor& cursor, unsigned bytes) {
    switch (bytes) {
    case 0:
        return 0;
    case 4:
        return cursor.U32();
    case 8:
        return cursor.U64();
    default:
        Overrun(); // no other sizes exist
    }
}

uint32_t ItemId(TByteCursor& cursor, bool wide) {
    return wide ? cursor.U32() : cursor.U16();
}

struct TExtent {
    uint64_t Offset;
    uint64_t Length; // 0: to the end of the data
};

struct TItemData {
    uint8_t Method = 0; // 0: offsets in the file, 1: in the meta box's idat
    std::vector<TExtent> Extents;
};

// What the meta box says about the derived items; a box cut short leaves what was read
// before it. Where item boxes or entries repeat, a reader might take any of them: every one
// is weighed. The data box is the first, as one meta box has one.
struct TMetaItems {
    std::set<std::pair<uint32_t, uint32_t>> Derived; // item ID and type
    std::multimap<uint32_t, TItemData> Locations;
    std::optional<TByteCursor> Idat;
};

void ReadDerivedTypes(TByteCursor iinf, TMetaItems& items) {
    const uint8_t version = FullBoxVersion(iinf);
    iinf.Skip(version == 0 ? 2 : 4); // entry count: the boxes that follow say as much
    while (std::optional<TBox> entry = NextBox(iinf)) {
        if (entry->Type != FourCC("infe"))
            continue;
        const uint8_t entryVersion = FullBoxVersion(entry->Body);
        if (entryVersion < 2)
            continue; // no item types before version 2
        const uint32_t id = ItemId(entry->Body, entryVersion >= 3);
        entry->Body.Skip(2); // protection index
        const uint32_t type = entry->Body.U32();
        if (type == FourCC("grid") || type == FourCC("iovl"))
            items.Derived.emplace(id, type);
    }
}

void ReadLocations(TByteCursor iloc, TMetaItems& items) {
    const uint8_t version = FullBoxVersion(iloc);
    const uint8_t sizes = iloc.U8();
    const uint8_t moreSizes = iloc.U8();
    const unsigned offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = moreSizes >> 4;
    const unsigned indexSize = version >= 1 ? moreSizes & 15 : 0;
    const uint32_t count = version < 2 ? iloc.U16() : iloc.U32();
    for (uint32_t i = 0; i < count; ++i) {
        TItemData data;
        const uint32_t id = ItemId(iloc, version >= 2);
        if (version >= 1)
            data.Method = uint8_t(iloc.U16() & 15);
        iloc.Skip(2); // data reference
        const uint64_t base = SizedValue(iloc, baseSize);
        const uint16_t extents = iloc.U16();
        for (uint16_t e = 0; e < extents; ++e) {
            SizedValue(iloc, indexSize);
            const uint64_t offset = SizedValue(iloc, offsetSize);
            data.Extents.push_back({base + offset, SizedValue(iloc, lengthSize)});
        }
        items.Locations.emplace(id, std::move(data));
    }
}

// The first bytes of an item, its extents joined: enough for any descriptor.
std::vector<uint8_t> ItemHead(const TItemData& data, const TByteCursor& source) {
    constexpr size_t Enough = 32;
    std::vector<uint8_t> head;
    for (const TExtent& extent : data.Extents) {
        if (extent.Offset > source.Size())
            Overrun();
        const uint64_t rest = source.Size() - extent.Offset;
        const uint64_t length = extent.Length == 0 ? rest : extent.Length;
        const uint64_t wanted = std::min<uint64_t>(length, Enough - head.size());
        const uint8_t* bytes = source.BytesAt(extent.Offset, wanted);
        head.insert(head.end(), bytes, bytes + wanted);
        if (head.size() == Enough)
            break;
    }
    return head;
}

// The canvas a grid or overlay descriptor declares.
THEIFCanvas DescriptorCanvas(uint32_t type, TByteCursor descriptor) {
    descriptor.Skip(1); // version
    const bool wide = (descriptor.U8() & 1) != 0;
    descriptor.Skip(type == FourCC("grid") ? 2 : 8); // rows and columns, or the fill colour
    const int64_t width = wide ? descriptor.U32() : descriptor.U16();
    const int64_t height = wide ? descriptor.U32() : descriptor.U16();
    return {width, height};
}

// False when a derived item's descriptor cannot be found or read.
bool AddCanvases(const TMetaItems& items, const TByteCursor& file,
                 std::vector<THEIFCanvas>& canvases) {
    for (const auto& [id, type] : items.Derived) {
        const auto [first, last] = items.Locations.equal_range(id);
        if (first == last)
            return false;
        for (auto location = first; location != last; ++location) {
            const TItemData& data = location->second;
            const TByteCursor* source = data.Method == 0                 ? &file
                                        : data.Method == 1 && items.Idat ? &*items.Idat
                                                                         : nullptr;
            if (!source)
                return false;
            try {
                const std::vector<uint8_t> head = ItemHead(data, *source);
                canvases.push_back(
                    DescriptorCanvas(type, TByteCursor(head, TByteOrder::boBigEndian, Overrun)));
            } catch (const std::out_of_range&) {
                return false;
            }
        }
    }
    return true;
}

// Reads one child box of a meta box; a child cut short leaves what was read of it.
void ReadMetaChild(const TBox& box, TMetaItems& items) {
    try {
        if (box.Type == FourCC("iinf"))
            ReadDerivedTypes(box.Body, items);
        else if (box.Type == FourCC("iloc"))
            ReadLocations(box.Body, items);
        else if (box.Type == FourCC("idat") && !items.Idat)
            items.Idat = box.Body;
    } catch (const std::out_of_range&) {
    }
}

void ReadMeta(TByteCursor meta, TMetaItems& items) {
    try {
        FullBoxVersion(meta);
        while (std::optional<TBox> box = NextBox(meta))
            ReadMetaChild(*box, items);
    } catch (const std::out_of_range&) {
        // a box that does not fit ends the meta box
    }
}

} // namespace

std::optional<std::vector<THEIFCanvas>> HEIFDerivedCanvases(std::span<const uint8_t> bytes) {
    const TByteCursor file(bytes, TByteOrder::boBigEndian, Overrun);
    TByteCursor top = file;
    TMetaItems items;
    try {
        // A file has one meta box; readers take the first.
        while (std::optional<TBox> box = NextBox(top))
            if (box->Type == FourCC("meta")) {
                ReadMeta(box->Body, items);
                break;
            }
    } catch (const std::out_of_range&) {
        // a top-level box that does not fit ends the file
    }
    std::vector<THEIFCanvas> canvases;
    if (!AddCanvases(items, file, canvases))
        return std::nullopt;
    return canvases;
}
