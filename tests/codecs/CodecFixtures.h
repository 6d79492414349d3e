#pragma once

// Just enough of the PGM, GIF, TIFF, PCX and Targa containers to pull the packed data of the
// fixtures in tests/data out for the decoder tests, independent of the readers.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace codec_fixtures {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFixture(const std::string& name) {
    std::ifstream file(std::string(PELORAMA_TEST_DATA) + "/" + name, std::ios::binary);
    if (!file)
        throw std::runtime_error("missing fixture " + name);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct TGrayPicture {
    uint32_t Width = 0;
    uint32_t Height = 0;
    Bytes Pixels; // top row first
};

// Binary PGM with maxval 255 and single blanks between the header fields.
inline TGrayPicture ReadPgm(const std::string& name) {
    const Bytes file = ReadFixture(name);
    const std::string text(file.begin(), file.end());
    TGrayPicture picture;
    size_t pos = 3;
    size_t used = 0;
    picture.Width = std::stoul(text.substr(pos), &used);
    pos += used + 1;
    picture.Height = std::stoul(text.substr(pos), &used);
    pos += used + 1;
    std::stoul(text.substr(pos), &used);
    pos += used + 1;
    picture.Pixels.assign(file.begin() + pos, file.end());
    if (text.compare(0, 2, "P5") != 0 || picture.Pixels.size() != picture.Width * picture.Height)
        throw std::runtime_error("unexpected PGM " + name);
    return picture;
}

struct TGifImage {
    uint8_t MinimumCodeSize = 0;
    Bytes Data;       // the data sub-blocks joined
    Bytes ColorTable; // red, green, blue triples
};

// The first image of a GIF file.
inline TGifImage ReadGifImage(const std::string& name) {
    const Bytes file = ReadFixture(name);
    TGifImage image;
    size_t pos = 13;
    const auto skipSubBlocks = [&](Bytes* joined) {
        while (file.at(pos) != 0) {
            const size_t length = file[pos++];
            if (joined)
                joined->insert(joined->end(), file.begin() + pos, file.begin() + pos + length);
            pos += length;
        }
        ++pos;
    };
    if (file.at(10) & 0x80) {
        const size_t size = 3u << ((file[10] & 7) + 1);
        image.ColorTable.assign(file.begin() + 13, file.begin() + 13 + size);
        pos += size;
    }
    while (file.at(pos) == 0x21) {
        pos += 2;
        skipSubBlocks(nullptr);
    }
    if (file.at(pos) != 0x2C)
        throw std::runtime_error("no image in " + name);
    const uint8_t flags = file.at(pos + 9);
    pos += 10;
    if (flags & 0x80) {
        const size_t size = 3u << ((flags & 7) + 1);
        image.ColorTable.assign(file.begin() + pos, file.begin() + pos + size);
        pos += size;
    }
    image.MinimumCodeSize = file.at(pos++);
    skipSubBlocks(&image.Data);
    return image;
}

// The packed bytes of the first strip of a single-strip TIFF file.
inline Bytes ReadTiffStrip(const std::string& name) {
    const Bytes file = ReadFixture(name);
    const bool little = file.at(0) == 'I';
    const auto get = [&](size_t at, int size) {
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const uint32_t byte = file.at(at + (little ? i : size - 1 - i));
            value |= byte << (8 * i);
        }
        return value;
    };
    const size_t ifd = get(4, 4);
    uint32_t offset = 0;
    uint32_t count = 0;
    for (uint32_t i = 0, entries = get(ifd, 2); i < entries; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        const uint32_t tag = get(entry, 2);
        const int size = get(entry + 2, 2) == 3 ? 2 : 4;
        if (get(entry + 4, 4) != 1)
            continue;
        if (tag == 273)
            offset = get(entry + 8, size);
        else if (tag == 279)
            count = get(entry + 8, size);
    }
    if (offset == 0 || count == 0)
        throw std::runtime_error("no single strip in " + name);
    return Bytes(file.begin() + offset, file.begin() + offset + count);
}

} // namespace codec_fixtures
