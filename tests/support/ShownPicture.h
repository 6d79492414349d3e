#pragma once

#include "support/Conformance.h"

#include <string>

// The file as the viewer shows it once loaded: decoded by the class registered for its
// extension, drawn over white into a pixel buffer, converted by its colour profile and
// turned upright as the metadata options say. Needs the formats registered.
TRgbPicture LoadShownRgb(const std::string& path);
