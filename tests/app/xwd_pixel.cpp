// Prints the colours of screen pixels from an X window dump (xwd -root), one "RRGGBB" line
// per X Y pair given: the end-to-end test reads the screen through it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
uint32_t BigEndian32(const std::vector<uint8_t>& data, size_t offset) {
    return uint32_t(data[offset]) << 24 | uint32_t(data[offset + 1]) << 16 |
           uint32_t(data[offset + 2]) << 8 | uint32_t(data[offset + 3]);
}

// The channel under a mask, scaled to 8 bits.
unsigned Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    const uint32_t maximum = mask >> shift;
    return unsigned(((pixel & mask) >> shift) * 255u / maximum);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: xwd_pixel DUMP X Y [X Y ...]\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(file), {}};
    constexpr size_t fields = 25;
    if (data.size() < fields * 4) {
        std::fprintf(stderr, "xwd_pixel: not a window dump\n");
        return 2;
    }
    const auto field = [&](int index) { return BigEndian32(data, size_t(index) * 4); };
    const uint32_t headerSize = field(0);
    const uint32_t format = field(2);
    const uint32_t width = field(4);
    const uint32_t height = field(5);
    const uint32_t byteOrder = field(7); // 0: least significant byte first
    const uint32_t bitsPerPixel = field(11);
    const uint32_t bytesPerLine = field(12);
    const uint32_t masks[3] = {field(14), field(15), field(16)};
    const uint32_t colours = field(19);
    if (format != 2 || (bitsPerPixel != 24 && bitsPerPixel != 32)) {
        std::fprintf(stderr, "xwd_pixel: only true-colour ZPixmap dumps are read\n");
        return 2;
    }
    const uint64_t pixelsAt = uint64_t(headerSize) + uint64_t(colours) * 12;
    const uint32_t bytesPerPixel = bitsPerPixel / 8;
    int status = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const long x = std::strtol(argv[i], nullptr, 10);
        const long y = std::strtol(argv[i + 1], nullptr, 10);
        const uint64_t offset = pixelsAt + uint64_t(y) * bytesPerLine + uint64_t(x) * bytesPerPixel;
        if (x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height ||
            offset + bytesPerPixel > data.size()) {
            std::printf("outside\n");
            status = 1;
            continue;
        }
        uint32_t pixel = 0;
        for (uint32_t b = 0; b < bytesPerPixel; ++b) {
            const uint32_t byte = data[offset + b];
            pixel |= byteOrder == 0 ? byte << (8 * b) : byte << (8 * (bytesPerPixel - 1 - b));
        }
        std::printf("%02X%02X%02X\n", Channel(pixel, masks[0]), Channel(pixel, masks[1]),
                    Channel(pixel, masks[2]));
    }
    return status;
}
