#pragma once

#include "support/Conformance.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// A TIFF decoded by libtiff's RGBA interface, as its tiff2rgba does, drawn over white: the
// independent decode the TIFF reader is measured against. Rows come in the file's own order,
// not turned by its orientation. Nothing when libtiff cannot read the picture.
std::optional<TRgbPicture> LibtiffRgb(std::span<const uint8_t> file);
std::optional<TRgbPicture> LibtiffRgb(const std::string& path);
