#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Two picture classes of the tests' own, so that loading is tested without any real reader.
// Both read the same tiny format: width and height as one byte each, then red, green, blue
// per pixel, rows from the top. "tbmp" files decode into a platform bitmap (the direct path),
// "tdraw" files into a picture that draws itself and leaves pure green (0, 255, 0) pixels
// transparent. A file shorter than its size says is rejected; bytes after the pixels of a
// "tbmp" file are the text of a warning its load leaves.
class TTestPictureClasses {
public:
    // Extra extensions are bound to the drawing class as well.
    explicit TTestPictureClasses(const std::vector<std::string>& drawingExtensions = {});
    ~TTestPictureClasses();
    TTestPictureClasses(const TTestPictureClasses&) = delete;
    TTestPictureClasses& operator=(const TTestPictureClasses&) = delete;
};

// Runs at the start of every test-picture load when set.
extern std::function<void()> TestPictureLoadHook;

struct TRgb {
    uint8_t Red, Green, Blue;
};

// Writes a picture in the test format; returns the path.
std::string WriteTestPicture(const std::string& path, int width, int height,
                             const std::vector<TRgb>& pixels);
