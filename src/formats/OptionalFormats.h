#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <span>

// The formats read through libraries a build may lack, registered after the others. An
// entry without a picture class names a format this build cannot read.
struct TOptionalFormat {
    const char* Extension;
    const char* CommonDescription;
    const char* IndividualDescription;
    uint8_t FormatTypes;
    const char* Library; // the Debian package a build needs for it
    TGraphicClass GraphicClass;
};

std::span<const TOptionalFormat> OptionalFormats();
