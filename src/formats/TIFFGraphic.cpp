#include "formats/TIFFGraphic.h"

#include "codecs/BitReversal.h"
#include "codecs/CCITTFax3Decoder.h"
#include "codecs/CCITTFax4Decoder.h"
#include "codecs/CCITTMHDecoder.h"
#include "codecs/LZ77Decoder.h"
#include "codecs/PackbitsRLEDecoder.h"
#include "codecs/TIFFJPEGDecoder.h"
#include "codecs/TIFFLZWDecoder.h"
#include "codecs/ThunderDecoder.h"
#include "formats/GraphicStrings.h"
#include "formats/TIFFBlocks.h"
#include "formats/TIFFLibraryReading.h"
#include "formats/TIFFRows.h"
#include "formats/YCbCrUpsampling.h"
#include "platform/ByteCursor.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <cstring>
#include <set>

const TGraphicClassInfo TTIFFGraphic::ClassInfo = {"TTIFFGraphic", CreateGraphic<TTIFFGraphic>};

namespace {

constexpr uint16_t ClassicVersion = 42;
constexpr uint16_t BigTIFFVersion = 43;
constexpr size_t ColorMapEntries = 256;

[[noreturn]] void InvalidTIFF() {
    GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
}

// The byte order a TIFF header names, or false when it names none.
bool HeaderOrder(const TByteCursor& file, TByteOrder& order) {
    if (!file.Has(0, 8))
        return false;
    const uint8_t first = file.U8At(0), second = file.U8At(1);
    if (first != second || (first != 'I' && first != 'M'))
        return false;
    order = first == 'M' ? TByteOrder::boBigEndian : TByteOrder::boLittleEndian;
    return true;
}

bool IsFax(TCompressionType compression) {
    return compression == ctFax3 || compression == ctFax4 || compression == ctFaxRLE ||
           compression == ctFaxRLEW;
}

// Depths the colour manager reads as they are.
bool IsNativeDepth(const TTIFFImage& image) {
    const uint32_t bits = image.BitsPerSample;
    const bool single = image.Scheme == psGray || image.Scheme == psIndexed;
    if (single && image.SamplesPerPixel == 1)
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
    return bits == 8 || bits == 16;
}

} // namespace

// The decoded rows of the blocks of one row of blocks, per plane and block across.
struct TTIFFGraphic::TBand {
    std::vector<const uint8_t*> Rows;    // the first row of each block
    std::vector<TPictureMemory> Decoded; // scratch per plane and block across
    std::vector<TPictureMemory> Expanded;
    std::vector<uint8_t> Reversed;      // a block's stored bytes with their bits reversed
    std::vector<TPictureMemory> Joined; // per plane: a picture row made of blocks
    size_t Stride = 0;                  // bytes from one decoded row to the next
};

bool TTIFFGraphic::CanLoad(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t bytes[8] = {};
    const bool whole = stream.Remaining() >= 9 && stream.Read(bytes, 8) == 8;
    const int64_t size = stream.Size();
    stream.SetPosition(start);
    const TByteCursor header(bytes, sizeof bytes);
    TByteOrder order;
    if (!whole || !HeaderOrder(header, order))
        return false;
    TByteCursor ordered(bytes, sizeof bytes, order);
    const uint16_t version = ordered.U16At(2);
    return version == BigTIFFVersion ||
           (version == ClassicVersion && int64_t(ordered.U32At(4)) < size - start);
}

bool TTIFFGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    const int64_t start = stream.Position();
    TPictureMemory storage;
    bool bigTIFF = false;
    bool known = false;
    try {
        known = ReadImage(StreamBytes(stream, storage), imageIndex, bigTIFF);
    } catch (const EInvalidGraphic&) {
    }
    stream.SetPosition(start);
    return known;
}

bool TTIFFGraphic::ReadImage(std::span<const uint8_t> bytes, unsigned index, bool& bigTIFF) {
    TByteOrder order;
    if (!HeaderOrder(TByteCursor(bytes), order))
        return false;
    const TByteCursor file(bytes, order, InvalidTIFF);
    FBigEndian = order == TByteOrder::boBigEndian;
    const uint16_t version = file.U16At(2);
    bigTIFF = version == BigTIFFVersion;
    if (version != ClassicVersion)
        return false;
    // Each directory may be visited once: a chain that comes back to one is broken.
    std::set<uint32_t> visited;
    uint32_t offset = file.U32At(4);
    for (unsigned i = 0;; ++i) {
        if (offset == 0 || !visited.insert(offset).second)
            return false;
        const TTIFFDirectory directory(file, offset);
        if (i == index) {
            FImage = ReadTIFFImage(directory);
            break;
        }
        offset = directory.Next();
    }
    FillImageProperties();
    return FImage.Width > 0 && FImage.Height > 0;
}

void TTIFFGraphic::FillImageProperties() {
    TImageProperties& p = ImageProperties;
    p.Version = ClassicVersion;
    p.Options = (FBigEndian ? ioBigEndian : 0) | (FImage.Tiled ? ioTiled : 0) |
                (FImage.Photometric == 0 ? ioMinIsWhite : 0) |
                (FImage.ReversedBits ? ioReversed : 0);
    // Sizes beyond what a bitmap may hold count as unusable rather than wrapping.
    p.Width = FImage.Width <= MaxPictureDimension ? int32_t(FImage.Width) : 0;
    p.Height = FImage.Height <= MaxPictureDimension ? int32_t(FImage.Height) : 0;
    p.ColorScheme =
        FImage.Scheme == psRGB && FImage.Alpha != TTIFFAlpha::None ? psRGBA : FImage.Scheme;
    p.BitsPerSample = uint8_t(std::min<uint32_t>(FImage.BitsPerSample, 255));
    p.SamplesPerPixel = uint8_t(std::min<uint32_t>(FImage.SamplesPerPixel, 255));
    p.BitsPerPixel =
        uint8_t(std::min<uint64_t>(uint64_t(FImage.BitsPerSample) * FImage.SamplesPerPixel, 255));
    p.Compression = FImage.Compression;
    p.XResolution = FImage.XResolution;
    p.YResolution = FImage.YResolution;
    p.HasAlpha = FImage.Alpha != TTIFFAlpha::None;
}

void TTIFFGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    TPictureMemory storage;
    LoadTIFF(StreamBytes(stream, storage));
}

void TTIFFGraphic::LoadTIFF(std::span<const uint8_t> file) {
    TGraphicReader::ReadImageProperties(*Stream, 0);
    bool bigTIFF = false;
    if (!ReadImage(file, 0, bigTIFF)) {
        if (!bigTIFF)
            InvalidTIFF();
        LoadThroughLibtiff(file);
        return;
    }
    switch (CheckTIFFImage(FImage)) {
    case TTIFFReading::Damaged:
        InvalidTIFF();
    case TTIFFReading::Libtiff:
        LoadThroughLibtiff(file);
        return;
    case TTIFFReading::Ours:
        break;
    }
    StartPreparing();
    SetupColor();
    const TTIFFBlocks blocks = LayOutBlocks(
        FImage, TByteCursor(file, TByteOrder::boLittleEndian, InvalidTIFF), FForm.Planes);
    SizePicture(int32_t(FImage.Width), int32_t(FImage.Height));
    SetupPalette();
    Metadata.Orientation = FImage.Orientation;
    Metadata.IccProfile = FImage.IccProfile;
    const std::unique_ptr<TDecoder> decoder = CreateDecoder();
    if (decoder)
        decoder->DecodeInit();
    StartTransferring();
    {
        const TTransferEnd end(*this);
        DecodeBlocks(blocks, decoder.get());
    }
    if (const auto* jpeg = dynamic_cast<const TTIFFJPEGDecoder*>(decoder.get()))
        Warnings = jpeg->Warnings();
}

void TTIFFGraphic::LoadThroughLibtiff(std::span<const uint8_t> file) {
    StartPreparing();
    StartTransferring();
    ReadTIFFThroughLibtiff(file, *this);
    ImageProperties.Width = Width();
    ImageProperties.Height = Height();
    FinishTransferring();
}

void TTIFFGraphic::SetupColor() {
    const TTIFFImage& image = FImage;
    const bool jpeg = image.Compression == ctJPEG;
    const uint32_t extra = image.SamplesPerPixel - image.ColourSamples();
    const bool alpha = image.Alpha != TTIFFAlpha::None;
    FForm = {};
    FForm.Widen = !jpeg && !IsNativeDepth(image);
    // Separate planes are converted side by side, the colours' and alpha's; a sample of no
    // use is not decoded at all.
    FForm.Planes = image.SeparatePlanes ? image.ColourSamples() + (alpha ? 1 : 0) : 1;
    const uint8_t bits = FForm.Widen || jpeg ? 8 : uint8_t(image.BitsPerSample);
    const uint32_t samples =
        image.SeparatePlanes && image.ColourSamples() > 1 ? FForm.Planes : image.PlaneSamples();
    TSourceRows source{image.Scheme, bits, uint8_t(samples),
                       FBigEndian ? cfSwapBytes : TConversionFlags(0)};
    if (source.Scheme == psLab)
        source.Flags |= cfLightness255;
    TPixelScheme target = psBGR;
    uint8_t targetBits = 8, targetSamples = 3;
    switch (image.Scheme) {
    case psGray:
    case psIndexed:
        if (alpha) {
            // Gray and alpha become red, green, blue and alpha, blended as colour pixels.
            FForm.GrayAlpha = true;
            source.Scheme = psRGBA;
            source.Samples = 4;
            target = psBGRA;
            targetSamples = 4;
            break;
        }
        target = image.Scheme;
        targetSamples = 1;
        // 1-, 4- and 8-bit indices or gray levels; 2 bits take 4, 16 bits 8.
        targetBits = bits == 1 || bits == 4 || bits == 8 ? bits : bits == 2 ? 4 : 8;
        // A sample beyond the first is dropped.
        if (extra > 0 && !image.SeparatePlanes)
            source.Scheme = psGrayAlpha;
        break;
    case psRGB:
        if (alpha) {
            source.Scheme = psRGBA;
            target = psBGRA;
            targetSamples = 4;
        }
        break;
    default:
        break;
    }
    if (jpeg && image.PlaneSamples() == 3)
        source.Scheme = psBGR; // libjpeg delivers blue, green, red
    if (source.Scheme == psYCbCr)
        ColorManager.SetYCbCrSetup(image.YCbCrCoefficients, image.YCbCrHorizontal,
                                   image.YCbCrVertical);
    // Only a picture kept with its alpha has alpha to divide out; YCbCr, CMYK and Lab drop it.
    FForm.DivideAlpha = image.Alpha == TTIFFAlpha::Associated && targetSamples == 4;
    SetupColorManager(source, target, targetBits, targetSamples);

    // Scratch for the rows made before the colour manager: widened planes, gray and alpha.
    const size_t pixels = image.Width;
    FRowScratch.clear();
    for (uint32_t plane = 0; FForm.Widen && plane < FForm.Planes; ++plane)
        FRowScratch.emplace_back(pixels * image.PlaneSamples());
    if (FForm.GrayAlpha)
        FRowScratch.emplace_back(pixels * 4 * (bits / 8));
}

void TTIFFGraphic::SetupPalette() {
    if (ColorManager.TargetScheme() == psGray) {
        SetPalette(ColorManager.MakeGrayPalette(FImage.Photometric == 0));
        return;
    }
    const std::vector<uint16_t>& map = FImage.ColorMap;
    // A map of fewer than three values holds no entry; the planes start at thirds of the
    // stored map, and one of more than 256 entries per plane keeps its first 256 of each.
    if (ColorManager.TargetScheme() != psIndexed || map.size() < 3)
        return;
    const size_t plane = map.size() / 3;
    const size_t entries = std::min(plane, ColorMapEntries);
    std::vector<uint16_t> planar(3 * entries);
    for (size_t k = 0; k < 3; ++k)
        std::copy_n(map.begin() + std::ptrdiff_t(k * plane), entries,
                    planar.begin() + std::ptrdiff_t(k * entries));
    // Read as the colour manager reads 16-bit values of the file's byte order.
    if (FBigEndian)
        for (uint16_t& value : planar)
            value = uint16_t(value >> 8 | value << 8);
    const void* const planes[3] = {planar.data(), planar.data() + entries,
                                   planar.data() + 2 * entries};
    SetPalette(ColorManager.MakeColorPalette(planes, plPlanar16, uint32_t(entries), false));
}

std::unique_ptr<TDecoder> TTIFFGraphic::CreateDecoder() const {
    const TTIFFImage& image = FImage;
    switch (image.Compression) {
    case ctPackedBits:
        return std::make_unique<TPackbitsRLEDecoder>();
    case ctLZW:
        return std::make_unique<TTIFFLZWDecoder>();
    case ctFax3:
        return std::make_unique<TCCITTFax3Decoder>(image.T4Options, image.BlockWidth, false,
                                                   image.ReversedBits);
    case ctFax4:
        return std::make_unique<TCCITTFax4Decoder>(image.BlockWidth, image.ReversedBits);
    case ctFaxRLE:
    case ctFaxRLEW:
        return std::make_unique<TCCITTMHDecoder>(
            image.T4Options, image.BlockWidth, image.Compression == ctFaxRLEW, image.ReversedBits);
    case ctLZ77:
        return std::make_unique<TLZ77Decoder>(1, true);
    case ctJPEG:
        // libjpeg may take what is left of the load's memory budget.
        return std::make_unique<TTIFFJPEGDecoder>(
            image.JPEGTables, uint64_t(std::max<int64_t>(TPictureLoadScope::Available(), 1)));
    case ctThunderscan:
        return std::make_unique<TThunderDecoder>(image.BlockWidth);
    default:
        return nullptr;
    }
}

const uint8_t* TTIFFGraphic::UnpackBlock(const TTIFFBlocks& blocks, std::span<const uint8_t> packed,
                                         uint32_t rows, TDecoder* decoder, TBand& band,
                                         size_t slot) {
    const TTIFFImage& image = FImage;
    const uint64_t needed = blocks.UnpackedBytes(rows);
    const bool units = blocks.DataUnits;
    // Whole uncompressed rows are read where they lie.
    if (!decoder && !image.ReversedBits && !units && packed.size() >= needed)
        return packed.data();
    TPictureMemory& decoded = band.Decoded[slot];
    if (decoded.Size() < needed)
        decoded = TPictureMemory(size_t(needed), TPictureMemory::TFill::Unset);
    // What the data do not yield is 0.
    if (!decoder || !decoder->ClearsUnyielded())
        std::fill_n(decoded.Data(), size_t(needed), uint8_t(0));
    // Fill order 2 is undone for every compression but fax, whose decoders read it.
    if (image.ReversedBits && !IsFax(image.Compression)) {
        band.Reversed.resize(packed.size());
        std::transform(packed.begin(), packed.end(), band.Reversed.begin(),
                       [](uint8_t b) { return BitReversal[b]; });
        packed = band.Reversed;
    }
    if (!decoder) {
        // An empty strip has no data pointer, which memcpy may not be given even for 0 bytes.
        std::copy_n(packed.data(), std::min<size_t>(packed.size(), needed), decoded.Data());
    } else {
        if (auto* jpeg = dynamic_cast<TTIFFJPEGDecoder*>(decoder)) {
            const bool planar = image.SeparatePlanes;
            jpeg->SetStrip({image.BlockWidth, rows, image.PlaneSamples(), 8,
                            planar ? 1 : image.YCbCrHorizontal, planar ? 1 : image.YCbCrVertical,
                            image.Scheme == psYCbCr, uint32_t(blocks.RowBytes)});
        }
        const uint8_t* source = packed.data();
        uint8_t* dest = decoded.Data();
        decoder->Decode(source, dest, int32_t(packed.size()), int32_t(needed));
    }
    // Subsampled data units are not rows: only as many rows as the buffer holds are undone.
    const uint64_t predictedRows = std::min<uint64_t>(rows, needed / blocks.RowBytes);
    if (image.Predictor == 2 && decoder)
        for (uint32_t r = 0; r < predictedRows; ++r)
            UndoHorizontalPredictor(decoded.Data() + r * blocks.RowBytes, image.BlockWidth,
                                    image.PlaneSamples(), image.BitsPerSample, FBigEndian);
    if (!units)
        return decoded.Data();
    // YCbCr data units become rows of whole pixels.
    TPictureMemory& expanded = band.Expanded[slot];
    const size_t rowBytes = size_t(image.BlockWidth) * 3;
    if (expanded.Size() < size_t(rows) * rowBytes)
        expanded = TPictureMemory(size_t(rows) * rowBytes);
    for (uint32_t top = 0; top < rows; top += blocks.BandRows)
        ExpandYCbCrBand(decoded.Data() + top / blocks.BandRows * blocks.BandBytes, image.BlockWidth,
                        image.YCbCrHorizontal, image.YCbCrVertical,
                        std::min(blocks.BandRows, rows - top), expanded.Data() + top * rowBytes);
    return expanded.Data();
}

void TTIFFGraphic::DecodeBlocks(const TTIFFBlocks& blocks, TDecoder* decoder) {
    const TTIFFImage& image = FImage;
    const size_t slots = size_t(blocks.Planes) * blocks.Across;
    TBand band;
    band.Rows.resize(slots);
    band.Decoded.resize(slots);
    band.Expanded.resize(slots);
    // Decoded rows: whole pixels for YCbCr data units, else as stored.
    band.Stride = blocks.DataUnits ? size_t(image.BlockWidth) * 3 : size_t(blocks.RowBytes);
    const size_t pictureRowBytes = band.Stride * blocks.Across;
    if (blocks.Across > 1)
        for (uint32_t plane = 0; plane < blocks.Planes; ++plane)
            band.Joined.emplace_back(pictureRowBytes);
    std::vector<const uint8_t*> planeRows(blocks.Planes);
    for (uint32_t down = 0; down < blocks.Down; ++down) {
        const uint32_t rows = blocks.RowsIn(image, down);
        const uint32_t top = down * image.BlockHeight;
        bool any = false;
        for (uint32_t plane = 0; plane < blocks.Planes; ++plane)
            for (uint32_t across = 0; across < blocks.Across; ++across) {
                const size_t slot = size_t(plane) * blocks.Across + across;
                const std::span<const uint8_t> packed = blocks.At(plane, down, across);
                any = any || !packed.empty();
                band.Rows[slot] = UnpackBlock(blocks, packed, rows, decoder, band, slot);
            }
        const uint32_t shown = std::min(rows, image.Height - top);
        // A row of blocks without data leaves its rows blank.
        if (!any) {
            BlankRows(int32_t(top), int32_t(shown));
            continue;
        }
        for (uint32_t r = 0; r < shown; ++r) {
            for (uint32_t plane = 0; plane < blocks.Planes; ++plane) {
                const uint8_t* const* first = &band.Rows[size_t(plane) * blocks.Across];
                if (blocks.Across == 1) {
                    planeRows[plane] = first[0] + r * band.Stride;
                    continue;
                }
                // Tiles side by side make the picture's row; the last sticks out.
                uint8_t* joined = band.Joined[plane].Data();
                for (uint32_t across = 0; across < blocks.Across; ++across)
                    std::memcpy(joined + across * band.Stride, first[across] + r * band.Stride,
                                band.Stride);
                planeRows[plane] = joined;
            }
            TransferRow(top + r, planeRows);
        }
    }
}

void TTIFFGraphic::TransferRow(uint32_t y, std::span<const uint8_t* const> planes) {
    const TTIFFImage& image = FImage;
    const void* sources[4] = {};
    size_t count = planes.size();
    for (size_t plane = 0; plane < count; ++plane) {
        sources[plane] = planes[plane];
        if (FForm.Widen) {
            WidenSamples(planes[plane], image.BitsPerSample,
                         size_t(image.Width) * image.PlaneSamples(), image.Scheme != psIndexed,
                         FRowScratch[plane].Data());
            sources[plane] = FRowScratch[plane].Data();
        }
    }
    if (FForm.GrayAlpha) {
        const uint32_t bytes = ColorManager.SourceBits() / 8;
        const auto* gray = static_cast<const uint8_t*>(sources[0]);
        const bool planar = count > 1;
        const auto* alpha = planar ? static_cast<const uint8_t*>(sources[1]) : gray + bytes;
        uint8_t* rgba = FRowScratch.back().Data();
        GrayAlphaToRgba(gray, alpha, planar ? bytes : 2 * bytes, image.Width, bytes,
                        image.Photometric == 0, rgba);
        sources[0] = rgba;
        count = 1;
    }
    uint8_t* target = TargetRow(int32_t(y));
    ColorManager.ConvertPixels(std::span<const void* const>(sources, count), target, image.Width);
    if (FForm.DivideAlpha)
        DivideOutAlpha(target, image.Width);
    RowTransferred(int32_t(y) + 1);
}
