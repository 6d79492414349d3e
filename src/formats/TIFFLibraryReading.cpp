#include "formats/TIFFLibraryReading.h"

#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "formats/LibraryDecoding.h"
#include "formats/LibtiffMemoryFile.h"
#include "formats/TIFFImage.h"
#include "formats/TIFFRows.h"
#include "formats/TIFFStripBounds.h"
#include "platform/PictureLimits.h"
#include "platform/StringFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <tiffio.h>

namespace {

// libtiff's messages go nowhere: what fails shows in its results.
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TTIFFCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTIFFHandle = std::unique_ptr<TIFF, TTIFFCloser>;

struct TOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

[[noreturn]] void Damaged() {
    GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
}

[[noreturn]] void Unsupported(TIFF* tif) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    GraphicErrorFmt(gesUnsupportedFeature,
                    TIFFIsCODECConfigured(compression) ? gesColorScheme : gesCompressionScheme,
                    gesFormatTIFF);
}

TTIFFHandle Open(TLibtiffMemoryFile& file) {
    const std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    // No single allocation of libtiff's may exceed what is left of the load's budget.
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options.get(), tmsize_t(std::max<int64_t>(TPictureLoadScope::Available(), 1)));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
    TTIFFHandle tif(file.Open("r", options.get()));
    if (!tif)
        Damaged();
    return tif;
}

// What the reader of our own records of a file too.
void ReadMetadata(TIFF* tif, TPictureMetadata& metadata) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    metadata.Orientation = orientation >= 1 && orientation <= 8 ? uint8_t(orientation) : 1;
    uint32_t length = 0;
    const uint8_t* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile)
        metadata.IccProfile.assign(profile, profile + length);
}

// Refuses a picture whose strips or tiles claim more unpacked bytes than the whole file could
// yield in its compression, before libtiff or we allocate (and clear) a buffer for them.
void CheckClaimAgainstFile(TIFF* tif, uint64_t fileBytes) {
    uint16_t compression = COMPRESSION_NONE, samples = 1, planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    uint32_t height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    const uint64_t claimed = TIFFIsTiled(tif)
                                 ? uint64_t(TIFFTileSize64(tif)) * TIFFNumberOfTiles(tif)
                                 : uint64_t(TIFFVStripSize64(tif, height)) *
                                       (planar == PLANARCONFIG_SEPARATE ? samples : 1u);
    const uint64_t rowBytes = uint64_t(TIFFScanlineSize64(tif));
    if (claimed == 0 || rowBytes == 0 ||
        claimed > MaxUnpackedBytes(TIFFCompressionType(compression), fileBytes, rowBytes))
        Damaged();
}

// Floating-point gray or RGB samples, taken as 0 (black) to 1 (full), which libtiff's RGBA
// interface does not read: decoded by libtiff strip by strip or tile by tile.
bool ReadFloatSamples(TIFF* tif, TBitmap& bitmap, uint32_t width, uint32_t height) {
    uint16_t format = SAMPLEFORMAT_UINT, bits = 0, samples = 1, planar = PLANARCONFIG_CONTIG;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool gray =
        photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const uint32_t colours = gray ? 1 : 3;
    if (format != SAMPLEFORMAT_IEEEFP || (bits != 32 && bits != 64) ||
        planar != PLANARCONFIG_CONTIG || (!gray && photometric != PHOTOMETRIC_RGB) ||
        samples < colours)
        return false;
    const bool tiled = TIFFIsTiled(tif);
    uint32_t blockWidth = width, blockHeight = height;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &blockWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &blockHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &blockHeight);
        blockHeight = std::clamp<uint32_t>(blockHeight, 1, height);
    }
    const tmsize_t blockBytes = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
    const size_t pixelBytes = size_t(samples) * bits / 8;
    if (blockWidth == 0 || blockHeight == 0 || blockBytes <= 0 ||
        uint64_t(blockBytes) < uint64_t(blockWidth) * blockHeight * pixelBytes)
        Damaged();
    // Every row used is checked to have been decoded, so the block needs no clearing.
    const TPictureMemory block{size_t(blockBytes), TPictureMemory::TFill::Unset};
    const auto sample = [&](const uint8_t* p) {
        float single;
        double v;
        if (bits == 32) {
            std::memcpy(&single, p, sizeof single);
            v = single;
        } else {
            std::memcpy(&v, p, sizeof v);
        }
        const double level = std::isnan(v) ? 0 : std::clamp(v, 0.0, 1.0);
        const double shown = photometric == PHOTOMETRIC_MINISWHITE ? 1 - level : level;
        return uint8_t(std::lround(shown * 255));
    };
    for (uint32_t top = 0; top < height; top += blockHeight)
        for (uint32_t left = 0; left < width; left += blockWidth) {
            const tmsize_t got = tiled ? TIFFReadTile(tif, block.Data(), left, top, 0, 0)
                                       : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, top, 0),
                                                              block.Data(), blockBytes);
            const uint32_t rows = std::min(blockHeight, height - top);
            if (got < tmsize_t(size_t(rows) * blockWidth * pixelBytes))
                Damaged();
            const uint32_t columns = std::min(blockWidth, width - left);
            for (uint32_t r = 0; r < rows; ++r) {
                const uint8_t* in = block.Data() + size_t(r) * blockWidth * pixelBytes;
                uint8_t* out = bitmap.ScanLine(int32_t(top + r)) + size_t(left) * 4;
                for (uint32_t x = 0; x < columns; ++x, in += pixelBytes, out += 4) {
                    for (uint32_t c = 0; c < 3; ++c)
                        out[2 - c] = sample(in + (gray ? 0 : c) * bits / 8);
                    out[3] = 255;
                }
            }
        }
    return true;
}

} // namespace

void ReadTIFFThroughLibtiff(std::span<const uint8_t> bytes, TBitmap& bitmap) {
    TLibtiffMemoryFile file(bytes);
    const TTIFFHandle tif = Open(file);
    uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    if (!MayAllocatePicture(width, height))
        Damaged();
    CheckClaimAgainstFile(tif.get(), bytes.size());
    ReadMetadata(tif.get(), bitmap.Metadata);
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    char reason[1024];
    if (!TIFFIsCODECConfigured(compression) || !TIFFRGBAImageOK(tif.get(), reason)) {
        bitmap.SetSize(int32_t(width), int32_t(height));
        if (!ReadFloatSamples(tif.get(), bitmap, width, height))
            Unsupported(tif.get());
        return;
    }
    bitmap.SetSize(int32_t(width), int32_t(height));
    // Asked for the file's own orientation, libtiff turns nothing: the rows come in the
    // file's order, and the load turns the picture upright as for every other format.
    auto* raster = reinterpret_cast<uint32_t*>(bitmap.ScanLine(0));
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster, bitmap.Metadata.Orientation,
                                   1))
        Damaged();
    // libtiff's rows are red, green, blue and alpha, the colours multiplied by alpha.
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        CopyRedFirstPixels(bitmap.ScanLine(y), bitmap.ScanLine(y), width, 4);
        DivideOutAlpha(bitmap.ScanLine(y), width);
    }
    WhitenTransparentPicture(bitmap);
}
