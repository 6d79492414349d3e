#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

// One screen of the desktop in physical pixels: all of it, and its part not covered by
// panels (right and bottom are exclusive). Screens need not start at (0, 0).
struct TScreenArea {
    TRect Geometry;
    TRect WorkArea;
    bool operator==(const TScreenArea&) const = default;
};

// The screen that holds the point, or the one nearest to it (a window dragged partly off
// the desktop still belongs to the screen it left); nothing for an empty list.
const TScreenArea* NearestScreen(const std::vector<TScreenArea>& screens, TPoint point);
