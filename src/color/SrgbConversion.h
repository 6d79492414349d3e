#pragma once

#include <cstdint>
#include <memory>
#include <span>

// Pixels that an embedded ICC profile describes, converted to sRGB by Little CMS with the
// perceptual intent.

// What the pixels handed to a conversion are.
enum class TProfiledPixels {
    ppBgr,         // blue, green, red; a gray profile converts the gray ones among them
    ppCmyk,        // cyan, magenta, yellow, black; 0 is no ink
    ppCmykInverted // the same with 255 for no ink, as Adobe writes JPEG files
};

class TMatrixShaperConversion;

class TSrgbConversion {
public:
    // Through the Little CMS transform, or through FAST for blue-green-red pixels when given.
    TSrgbConversion(void* transform, bool gray, std::unique_ptr<TMatrixShaperConversion> fast);
    ~TSrgbConversion();
    TSrgbConversion(const TSrgbConversion&) = delete;
    TSrgbConversion& operator=(const TSrgbConversion&) = delete;

    // HEIGHT rows of WIDTH blue-green-red pixels, STRIDE bytes apart, in place.
    void ConvertBgr(uint8_t* pixels, int32_t width, int32_t height, int64_t stride) const;
    // COUNT pixels of four ink samples into blue, green, red.
    void ConvertCmyk(const uint8_t* cmyk, uint8_t* bgr, uint32_t count) const;

private:
    void* Transform;                               // the Little CMS transform
    bool Gray;                                     // converts through GrayLookup instead
    uint8_t GrayLookup[256][3]{};                  // blue, green, red of each gray level
    std::unique_ptr<TMatrixShaperConversion> Fast; // blue-green-red pixels go through it
};

// The conversion of PIXELS that PROFILE describes, or null when there is nothing to do:
// profiles are turned off, the profile is empty, damaged, sRGB itself, or made for other
// pixels (a CMYK profile for blue-green-red ones). Each profile's conversion is built once
// and kept, so a folder of photos from one camera builds one.
std::shared_ptr<const TSrgbConversion> SrgbConversion(std::span<const uint8_t> profile,
                                                      TProfiledPixels pixels);
