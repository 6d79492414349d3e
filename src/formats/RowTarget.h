#pragma once

#include <cstdint>

// Rows a picture is decoded into, owned by whoever loads it (the viewer's pixel buffer):
// blue, green and red, 3 bytes a pixel, rows counted from the top. A reader whose picture is
// plain 24-bit colour writes its rows straight into them, with no picture-sized copy of its
// own in between.
class TRowTarget {
public:
    virtual ~TRowTarget() = default;
    // Called once per load, before any row is asked for. The rows hold anything until
    // written: the reader writes every one of them.
    virtual void SetSize(int32_t width, int32_t height) = 0;
    // Row Y (0 is the top row) of at least 3 * width bytes.
    virtual uint8_t* Row(int32_t y) = 0;
};
