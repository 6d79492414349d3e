#include "formats/TIFFImage.h"

#include "platform/PictureLimits.h"

#include <algorithm>

namespace {

enum TTag : uint16_t {
    tagImageWidth = 256,
    tagImageLength = 257,
    tagBitsPerSample = 258,
    tagCompression = 259,
    tagPhotometric = 262,
    tagFillOrder = 266,
    tagStripOffsets = 273,
    tagOrientation = 274,
    tagSamplesPerPixel = 277,
    tagRowsPerStrip = 278,
    tagStripByteCounts = 279,
    tagXResolution = 282,
    tagYResolution = 283,
    tagPlanarConfiguration = 284,
    tagT4Options = 292,
    tagResolutionUnit = 296,
    tagPredictor = 317,
    tagColorMap = 320,
    tagTileWidth = 322,
    tagTileLength = 323,
    tagTileOffsets = 324,
    tagTileByteCounts = 325,
    tagInkSet = 332,
    tagExtraSamples = 338,
    tagSampleFormat = 339,
    tagJPEGTables = 347,
    tagYCbCrCoefficients = 529,
    tagYCbCrSubSampling = 530,
    tagIccProfile = 34675
};

TPixelScheme MapPhotometric(uint32_t value) {
    switch (value) {
    case 0:
    case 1:
        return psGray;
    case 2:
        return psRGB;
    case 3:
        return psIndexed;
    case 5:
        return psCMYK;
    case 6:
        return psYCbCr;
    case 8:
        return psLab;
    default:
        return psUnknown;
    }
}

bool IsFax(TCompressionType compression) {
    return compression == ctFax3 || compression == ctFax4 || compression == ctFaxRLE ||
           compression == ctFaxRLEW;
}

bool IsSubsampling(uint32_t value) {
    return value == 1 || value == 2 || value == 4;
}

} // namespace

TCompressionType TIFFCompressionType(uint32_t value) {
    switch (value) {
    case 1:
        return ctNone;
    case 2:
        return ctFaxRLE;
    case 3:
        return ctFax3;
    case 4:
        return ctFax4;
    case 5:
        return ctLZW;
    case 6:
        return ctOJPEG;
    case 7:
        return ctJPEG;
    case 8:
    case 32946:
        return ctLZ77;
    case 32766:
        return ctNext;
    case 32771:
        return ctFaxRLEW;
    case 32773:
        return ctPackedBits;
    case 32809:
        return ctThunderscan;
    case 32895:
        return ctIT8CTPAD;
    case 32896:
        return ctIT8LW;
    case 32897:
        return ctIT8MP;
    case 32898:
        return ctIT8BL;
    case 32908:
        return ctPixarFilm;
    case 32909:
        return ctPixarLog;
    case 32947:
        return ctDCS;
    case 34661:
        return ctJBIG;
    default:
        return ctUnknown;
    }
}

uint32_t TTIFFImage::ColourSamples() const {
    switch (Scheme) {
    case psRGB:
    case psLab:
    case psYCbCr:
        return 3;
    case psCMYK:
        return 4;
    default:
        return 1;
    }
}

TTIFFImage ReadTIFFImage(const TTIFFDirectory& d) {
    TTIFFImage image;
    image.Width = d.Integer(tagImageWidth, 0);
    image.Height = d.Integer(tagImageLength, 0);
    const std::vector<uint32_t> bits = d.Integers(tagBitsPerSample);
    image.BitsPerSample = bits.empty() ? 1 : bits[0];
    image.MixedBits =
        std::any_of(bits.begin(), bits.end(), [&](uint32_t b) { return b != image.BitsPerSample; });
    image.SamplesPerPixel = d.Integer(tagSamplesPerPixel, 1);
    image.SampleFormat = d.Integer(tagSampleFormat, 1);
    // A file without the tag is uncompressed, as TIFF defines it.
    image.CompressionTag = d.Integer(tagCompression, 1);
    image.Compression = TIFFCompressionType(image.CompressionTag);
    image.Photometric = d.Integer(tagPhotometric, 0);
    image.Scheme = MapPhotometric(image.Photometric);
    image.InkSet = d.Integer(tagInkSet, 1);
    image.ReversedBits = d.Integer(tagFillOrder, 1) == 2;
    image.SeparatePlanes = d.Integer(tagPlanarConfiguration, 1) == 2 && image.SamplesPerPixel > 1;
    image.Predictor = d.Integer(tagPredictor, 1);
    image.T4Options = d.Integer(tagT4Options, 0);
    const uint32_t orientation = d.Integer(tagOrientation, 1);
    image.Orientation = orientation >= 1 && orientation <= 8 ? uint8_t(orientation) : 1;

    image.Tiled = d.Has(tagTileWidth) && d.Has(tagTileLength);
    if (image.Tiled) {
        image.BlockWidth = d.Integer(tagTileWidth, 0);
        image.BlockHeight = d.Integer(tagTileLength, 0);
        // Early writers kept the tiles' places in the strip tags, as libtiff still reads.
        const bool tileTags = d.Has(tagTileOffsets);
        image.BlockOffsets = d.Integers(tileTags ? tagTileOffsets : tagStripOffsets);
        image.BlockByteCounts = d.Integers(tileTags ? tagTileByteCounts : tagStripByteCounts);
    } else {
        // Writers that leave the count out, or give 0, mean one strip of all rows.
        const uint32_t rows = d.Integer(tagRowsPerStrip, 0);
        image.BlockWidth = image.Width;
        image.BlockHeight = rows == 0 ? image.Height : std::min(rows, image.Height);
        image.BlockOffsets = d.Integers(tagStripOffsets);
        image.BlockByteCounts = d.Integers(tagStripByteCounts);
    }

    // An alpha sample is named by the ExtraSamples tag; as libtiff does, an unspecified extra
    // sample of a colour picture, and the fourth sample of RGB without the tag, count as
    // alpha multiplied in.
    const std::vector<uint32_t> extra = d.Integers(tagExtraSamples);
    const bool hasExtra = image.SamplesPerPixel > image.ColourSamples();
    if (hasExtra && !extra.empty() && (extra[0] == 1 || extra[0] == 2))
        image.Alpha = extra[0] == 1 ? TTIFFAlpha::Associated : TTIFFAlpha::Unassociated;
    else if (hasExtra && image.SamplesPerPixel > 3 && (!extra.empty() || image.Scheme == psRGB))
        image.Alpha = TTIFFAlpha::Associated;
    if (image.Scheme == psIndexed)
        image.Alpha = TTIFFAlpha::None; // libtiff shows palette pictures opaque too

    const std::vector<uint32_t> map = d.Integers(tagColorMap);
    image.ColorMap.assign(map.begin(), map.end());
    const double unit = d.Integer(tagResolutionUnit, 2) == 3 ? 2.54 : 1.0;
    image.XResolution = float(d.Number(tagXResolution, 0) * unit);
    image.YResolution = float(d.Number(tagYResolution, 0) * unit);
    if (image.Scheme == psYCbCr) {
        const std::vector<double> weights = d.Numbers(tagYCbCrCoefficients);
        for (size_t i = 0; i < std::min<size_t>(weights.size(), 3); ++i)
            image.YCbCrCoefficients[i] = float(weights[i]);
        const std::vector<uint32_t> subsampling = d.Integers(tagYCbCrSubSampling);
        image.YCbCrHorizontal = subsampling.size() >= 2 ? subsampling[0] : 2;
        image.YCbCrVertical = subsampling.size() >= 2 ? subsampling[1] : 2;
    }
    if (image.Compression == ctJPEG) {
        const std::span<const uint8_t> tables = d.Bytes(tagJPEGTables);
        image.JPEGTables.assign(tables.begin(), tables.end());
    }
    const std::span<const uint8_t> profile = d.Bytes(tagIccProfile);
    image.IccProfile.assign(profile.begin(), profile.end());
    return image;
}

TTIFFReading CheckTIFFImage(const TTIFFImage& image) {
    using enum TTIFFReading;
    if (!MayAllocatePicture(image.Width, image.Height) || image.BitsPerSample == 0 ||
        image.SamplesPerPixel == 0 || image.BlockOffsets.empty() || image.BlockWidth == 0 ||
        image.BlockHeight == 0)
        return Damaged;
    const uint32_t bits = image.BitsPerSample;
    const uint32_t colour = image.ColourSamples();
    const uint32_t extra = image.SamplesPerPixel - std::min(image.SamplesPerPixel, colour);
    const bool subsampled = image.YCbCrHorizontal * image.YCbCrVertical > 1;
    // The colour manager reads up to four samples of at most 16 bits; narrower depths than
    // its own are widened first.
    if (image.Scheme == psUnknown || image.SamplesPerPixel < colour || extra > 1 || bits > 16 ||
        image.MixedBits || (image.SampleFormat != 1 && image.SampleFormat != 4) ||
        (image.Scheme == psCMYK && (extra > 0 || image.InkSet != 1)) ||
        (image.Scheme == psIndexed && bits > 8))
        return Libtiff;
    if (image.Scheme == psYCbCr &&
        (!IsSubsampling(image.YCbCrHorizontal) || !IsSubsampling(image.YCbCrVertical) ||
         image.YCbCrVertical > image.YCbCrHorizontal ||
         (subsampled && image.Compression != ctJPEG && (bits != 8 || image.SeparatePlanes))))
        return Libtiff;
    if (image.Predictor != 1 && !(image.Predictor == 2 && (bits == 8 || bits == 16)))
        return Libtiff;
    // A tile's rows must start on whole bytes of the picture's rows.
    if (image.Tiled && uint64_t(image.BlockWidth) * bits * image.PlaneSamples() % 8 != 0)
        return Libtiff;
    switch (image.Compression) {
    case ctNone:
    case ctPackedBits:
    case ctLZW:
    case ctLZ77:
        return Ours;
    case ctJPEG:
        return bits == 8 && extra == 0 && image.Scheme != psIndexed && image.Scheme != psLab
                   ? Ours
                   : Libtiff;
    case ctThunderscan:
        return bits == 4 && image.SamplesPerPixel == 1 ? Ours : Libtiff;
    default:
        return IsFax(image.Compression) && bits == 1 && image.SamplesPerPixel == 1 ? Ours : Libtiff;
    }
}
