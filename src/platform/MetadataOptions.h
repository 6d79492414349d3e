#pragma once

// What loading does with a picture's metadata: the viewer's settings, both on unless the
// settings file turns them off. Process-wide like the picture limits, because a reader that
// converts from samples only it holds (CMYK) consults them as well as the load path.
struct TMetadataOptions {
    bool Orientation = true;   // turn pictures upright by their EXIF orientation
    bool ColorProfiles = true; // convert pictures with an embedded ICC profile to sRGB
};

TMetadataOptions& MetadataOptions();
