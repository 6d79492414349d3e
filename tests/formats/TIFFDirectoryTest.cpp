#include "formats/TIFFDirectory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct TRawEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    std::vector<uint8_t> Values; // little-endian, as stored; none: stored past the end
};

template <class T>
std::vector<uint8_t> Stored(std::initializer_list<T> values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

// A little-endian TIFF holding one directory of ENTRIES; values over four bytes follow it.
std::vector<uint8_t> DirectoryFile(const std::vector<TRawEntry>& entries) {
    std::vector<uint8_t> file{'I', 'I', 42, 0, 8, 0, 0, 0};
    std::vector<uint8_t> outside;
    const uint32_t outsideStart = uint32_t(8 + 2 + entries.size() * 12 + 4);
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(uint8_t(value >> (8 * i)));
    };
    put(uint32_t(entries.size()), 2);
    for (const TRawEntry& entry : entries) {
        put(entry.Tag, 2);
        put(entry.Type, 2);
        put(entry.Count, 4);
        if (entry.Values.empty()) {
            put(0xFFFFFF00, 4);
        } else if (entry.Values.size() <= 4) {
            std::vector<uint8_t> inside = entry.Values;
            inside.resize(4);
            file.insert(file.end(), inside.begin(), inside.end());
        } else {
            put(outsideStart + uint32_t(outside.size()), 4);
            outside.insert(outside.end(), entry.Values.begin(), entry.Values.end());
        }
    }
    put(0, 4);
    file.insert(file.end(), outside.begin(), outside.end());
    return file;
}

// Types: 1 BYTE, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED, 8 SSHORT, 10 SRATIONAL, 11 FLOAT,
// 12 DOUBLE. Integers keep a signed value's bits; numbers take its sign.
TEST(TIFFDirectory, ReadsEachTypesValuesAsIntegersOrNumbers) {
    const std::vector<uint8_t> file = DirectoryFile({
        {256, 3, 2, Stored<uint16_t>({7, 65535})},
        {257, 8, 1, Stored<int16_t>({-2})},
        {258, 5, 1, Stored<uint32_t>({3, 2})},
        {259, 10, 2, Stored<int32_t>({-3, 4, 5, 0})},
        {260, 7, 3, {1, 2, 3}},
        {261, 11, 1, Stored<float>({0.25f})},
        {262, 12, 1, Stored<double>({2.5})},
        {263, 4, 2, {}},
        {264, 99, 1, {1}},
        {265, 1, 2, {200, 9}},
    });
    const TByteCursor cursor(file.data(), file.size());
    const TTIFFDirectory directory(cursor, 8);
    using TIntegers = std::vector<uint32_t>;
    using TNumbers = std::vector<double>;
    const struct {
        uint16_t Tag;
        TIntegers Integers;
        TNumbers Numbers;
    } expected[] = {
        {256, {7, 65535}, {7, 65535}},
        {257, {65534}, {-2}},
        {258, {}, {1.5}},
        {259, {}, {-0.75, 0}},
        {260, {1, 2, 3}, {}},
        {261, {}, {0.25}},
        {262, {}, {2.5}},
        {263, {}, {}},
        {264, {}, {}},
        {265, {200, 9}, {200, 9}},
        {300, {}, {}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(directory.Integers(e.Tag), e.Integers) << e.Tag;
        EXPECT_EQ(directory.Numbers(e.Tag), e.Numbers) << e.Tag;
    }
    EXPECT_EQ(directory.Integer(256, 1), 7u);
    EXPECT_EQ(directory.Integer(258, 1), 1u);
    EXPECT_EQ(directory.Number(300, 0.5), 0.5);
}

} // namespace
