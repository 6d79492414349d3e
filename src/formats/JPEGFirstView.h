#pragma once

#include "formats/JPEGImage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A first view of a large JPEG file, shown while the full picture decodes: the file set to
// decode at the smallest of libjpeg's scales (1/2, 1/4, 1/8) that still gives about the size
// the picture is shown at. Width and Height are the full picture's, upright.
struct TJPEGFirstView {
    std::unique_ptr<TJPEGImage> Picture;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The file's first view when it is to be shrunk into the bounds. Nothing when it is no JPEG,
// cannot be read, or is shown at more than two thirds of its size anyway: a first view would
// then save little. Reads the file and its header, decodes nothing.
std::optional<TJPEGFirstView> OpenJPEGFirstView(const std::string& path, int32_t boundsWidth,
                                                int32_t boundsHeight);

// The scale's denominator: 2, 4 or 8; 1 when a first view would not be much smaller.
int32_t FirstViewDenominator(int32_t width, int32_t height, int32_t boundsWidth,
                             int32_t boundsHeight);
