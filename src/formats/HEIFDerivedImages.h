#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A HEIF picture may be derived from others: a grid of tiles or an overlay of pictures, each
// composed on a canvas whose size its own descriptor gives. libheif allocates that canvas
// without weighing it, and the size the container declares for the item need not match, so
// the canvases are read here, before the library decodes anything.
struct THEIFCanvas {
    int64_t Width;
    int64_t Height;
};

// The canvas of every grid and overlay item of the file; nothing when the descriptor of one
// cannot be found or read, for then its canvas cannot be weighed.
std::optional<std::vector<THEIFCanvas>> HEIFDerivedCanvases(std::span<const uint8_t> file);
