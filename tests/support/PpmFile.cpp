#include "support/PpmFile.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

TPpmImage ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    TPpmImage image;
    in >> magic >> image.Width >> image.Height >> maxval;
    in.get(); // the single whitespace before the samples
    if (!in || magic != "P6" || maxval != 255)
        throw std::runtime_error("not a binary 8-bit PPM: " + path);
    image.Rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (image.Rgb.size() != size_t(image.Width) * image.Height * 3)
        throw std::runtime_error("short PPM: " + path);
    return image;
}
