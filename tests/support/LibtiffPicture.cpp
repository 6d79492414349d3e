#include "support/LibtiffPicture.h"

#include "formats/LibtiffMemoryFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

std::optional<TRgbPicture> LibtiffRgb(std::span<const uint8_t> file) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TLibtiffMemoryFile memory(file);
    TIFF* tif = memory.Open("r");
    if (!tif)
        return std::nullopt;
    uint32_t width = 0, height = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    std::vector<uint32_t> raster(size_t(width) * height);
    // Asked for the file's own orientation, libtiff turns nothing.
    const bool read = !raster.empty() &&
                      TIFFReadRGBAImageOriented(tif, width, height, raster.data(), orientation, 1);
    TIFFClose(tif);
    if (!read)
        return std::nullopt;
    TRgbPicture picture{int(width), int(height), {}};
    picture.Pixels.reserve(raster.size() * 3);
    for (const uint32_t pixel : raster) {
        // The colours come multiplied by alpha: over white each gains what alpha leaves.
        const uint32_t white = 255 - TIFFGetA(pixel);
        for (const uint32_t c : {TIFFGetR(pixel), TIFFGetG(pixel), TIFFGetB(pixel)})
            picture.Pixels.push_back(uint8_t(std::min<uint32_t>(255, c + white)));
    }
    return picture;
}

std::optional<TRgbPicture> LibtiffRgb(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    return LibtiffRgb(bytes);
}
