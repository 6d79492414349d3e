#pragma once

#include "support/Conformance.h"
#include "support/PictureRendering.h"

#include <string>

// A file loaded by one reader class, drawn over white as the viewer draws it; needs no
// format registry.
template <class TReader>
TRgbPicture LoadRgb(const std::string& path) {
    TReader picture;
    picture.LoadFromFile(path);
    TRgbPicture rgb;
    rgb.Width = picture.Width();
    rgb.Height = picture.Height();
    if (!picture.Empty())
        rgb.Pixels = RenderRgbTopDown(picture);
    return rgb;
}
