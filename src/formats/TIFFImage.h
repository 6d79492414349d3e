#pragma once

#include "color/ColorTypes.h"
#include "formats/GraphicReader.h"
#include "formats/TIFFDirectory.h"

#include <array>
#include <cstdint>
#include <vector>

// What the sample after the colour samples of a pixel is.
enum class TTIFFAlpha : uint8_t { None, Associated, Unassociated };

// The compression a Compression tag value names; ctUnknown for one we have no name for.
TCompressionType TIFFCompressionType(uint32_t value);

// What one image file directory says about its picture: read once (ReadTIFFImage), checked
// (CheckTIFFImage), then set up and decoded from.
struct TTIFFImage {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t BitsPerSample = 1;
    bool MixedBits = false; // samples of different depths
    uint32_t SamplesPerPixel = 1;
    uint32_t SampleFormat = 1; // 1 unsigned, 2 signed, 3 floating point
    uint32_t CompressionTag = 1;
    TCompressionType Compression = ctNone;
    uint32_t Photometric = 0;
    TPixelScheme Scheme = psUnknown; // of the colour samples
    uint32_t InkSet = 1;
    bool ReversedBits = false;   // fill order 2: the first pixel in the lowest bit
    bool SeparatePlanes = false; // each sample in a plane of its own
    uint32_t Predictor = 1;
    uint32_t T4Options = 0;
    uint8_t Orientation = 1;
    // Where the pixels lie: tiles, or strips of BlockHeight rows across the whole width.
    bool Tiled = false;
    uint32_t BlockWidth = 0;
    uint32_t BlockHeight = 0;
    std::vector<uint32_t> BlockOffsets;
    std::vector<uint32_t> BlockByteCounts; // empty when the file gives none
    TTIFFAlpha Alpha = TTIFFAlpha::None;
    std::vector<uint16_t> ColorMap; // the stored map: its red, green and blue thirds
    float XResolution = 0;          // per inch, 0 when unknown
    float YResolution = 0;
    std::array<float, 3> YCbCrCoefficients{0.299f, 0.587f, 0.114f};
    uint32_t YCbCrHorizontal = 1; // subsampling of the chroma; 1 x 1 for other pictures
    uint32_t YCbCrVertical = 1;
    std::vector<uint8_t> JPEGTables;
    std::vector<uint8_t> IccProfile;

    // Samples of a pixel the colour scheme takes, and how many samples a decoded row of a
    // plane holds per pixel.
    uint32_t ColourSamples() const;
    uint32_t PlaneSamples() const { return SeparatePlanes ? 1 : SamplesPerPixel; }
    uint32_t Planes() const { return SeparatePlanes ? SamplesPerPixel : 1; }
};

TTIFFImage ReadTIFFImage(const TTIFFDirectory& directory);

// Who reads a picture: the reader of our own, libtiff, or nobody, the file being damaged.
enum class TTIFFReading : uint8_t { Ours, Libtiff, Damaged };
TTIFFReading CheckTIFFImage(const TTIFFImage& image);
