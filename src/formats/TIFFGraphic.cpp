#include "formats/TIFFGraphic.h"

#include "codecs/CCITTFax3Decoder.h"
#include "codecs/CCITTFax4Decoder.h"
#include "codecs/CCITTMHDecoder.h"
#include "codecs/LZ77Decoder.h"
#include "codecs/PackbitsRLEDecoder.h"
#include "codecs/TIFFJPEGDecoder.h"
#include "codecs/TIFFLZWDecoder.h"
#include "codecs/ThunderDecoder.h"
#include "formats/GraphicStrings.h"
#include "formats/TIFFStripBounds.h"
#include "formats/YCbCrUpsampling.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <span>

const TGraphicClassInfo TTIFFGraphic::ClassInfo = {"TTIFFGraphic", CreateGraphic<TTIFFGraphic>};

namespace {

constexpr uint32_t tagImageWidth = 256;
constexpr uint32_t tagImageLength = 257;
constexpr uint32_t tagBitsPerSample = 258;
constexpr uint32_t tagCompression = 259;
constexpr uint32_t tagPhotometric = 262;
constexpr uint32_t tagFillOrder = 266;
constexpr uint32_t tagStripOffsets = 273;
constexpr uint32_t tagSamplesPerPixel = 277;
constexpr uint32_t tagRowsPerStrip = 278;
constexpr uint32_t tagStripByteCounts = 279;
constexpr uint32_t tagXResolution = 282;
constexpr uint32_t tagYResolution = 283;
constexpr uint32_t tagPlanarConfiguration = 284;
constexpr uint32_t tagT4Options = 292;
constexpr uint32_t tagResolutionUnit = 296;
constexpr uint32_t tagPredictor = 317;
constexpr uint32_t tagColorMap = 320;
constexpr uint32_t tagTileWidth = 322;
constexpr uint32_t tagTileLength = 323;
constexpr uint32_t tagExtraSamples = 338;
constexpr uint32_t tagJPEGTables = 347;
constexpr uint32_t tagYCbCrCoefficients = 529;
constexpr uint32_t tagYCbCrSubSampling = 530;
constexpr uint32_t tagYCbCrPositioning = 531;
// Pseudo tags above the 16-bit range: never in a file, so their defaults always apply.
constexpr uint32_t tagJPEGOutputMode = 65538;
constexpr uint32_t tagJPEGTableMode = 65539;

constexpr size_t ColorMapCapacity = 768;

enum TFieldType : uint16_t {
    ftByte = 1,
    ftAscii = 2,
    ftShort = 3,
    ftLong = 4,
    ftRational = 5,
    ftSByte = 6,
    ftUndefined = 7,
    ftSShort = 8,
    ftSLong = 9,
    ftSRational = 10,
    ftFloat = 11,
    ftDouble = 12
};

uint32_t FieldSize(uint16_t type) {
    switch (type) {
    case ftByte:
    case ftAscii:
    case ftSByte:
    case ftUndefined:
        return 1;
    case ftShort:
    case ftSShort:
        return 2;
    case ftLong:
    case ftSLong:
    case ftFloat:
        return 4;
    case ftRational:
    case ftSRational:
    case ftDouble:
        return 8;
    default:
        return 0;
    }
}

TCompressionType MapCompression(uint32_t value) {
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

TPixelScheme MapPhotometric(uint32_t value, uint32_t samplesPerPixel) {
    switch (value) {
    case 0:
    case 1:
        return psGray;
    case 2:
        return samplesPerPixel < 4 ? psRGB : psRGBA;
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

// The samples of one pixel that the conversion of the scheme reads.
uint32_t SamplesNeeded(TPixelScheme scheme) {
    switch (scheme) {
    case psRGBA:
    case psBGRA:
    case psCMYK:
        return 4;
    case psRGB:
    case psBGR:
    case psLab:
    case psYCbCr:
    case psCMY:
        return 3;
    case psGrayAlpha:
        return 2;
    default:
        return 1;
    }
}

// Horizontal differencing is undone per sample: 8-bit samples byte-wise one pixel apart,
// 16-bit samples as whole values in the file's byte order. Other depths carry no predictor.
void UndoPredictor(uint8_t* row, uint32_t width, uint32_t samples, uint32_t bitsPerSample,
                   bool bigEndian) {
    if (width < 2)
        return;
    const size_t count = size_t(width) * samples;
    if (bitsPerSample == 8) {
        for (size_t i = samples; i < count; ++i)
            row[i] = uint8_t(row[i] + row[i - samples]);
    } else if (bitsPerSample == 16) {
        const int high = bigEndian ? 0 : 1;
        const int low = 1 - high;
        for (size_t i = samples; i < count; ++i) {
            uint8_t* p = row + 2 * i;
            const uint8_t* q = p - 2 * samples;
            const uint16_t sum = uint16_t(((p[high] << 8) | p[low]) + ((q[high] << 8) | q[low]));
            p[high] = uint8_t(sum >> 8);
            p[low] = uint8_t(sum);
        }
    }
}

// Bitmaps hold 1-, 4- and 8-bit indices or gray levels and 8-bit colour samples; other
// depths are widened or narrowed to the nearest of these.
uint8_t TargetBits(TPixelScheme target, uint8_t sourceBits) {
    if (target != psGray && target != psIndexed)
        return 8;
    if (sourceBits == 1 || sourceBits == 4 || sourceBits == 8)
        return sourceBits;
    return sourceBits == 2 ? 4 : 8;
}

[[noreturn]] void InvalidTIFF() {
    GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
}

} // namespace

uint16_t TTIFFGraphic::Get16(const uint8_t* p) const {
    return BigEndian() ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
}

uint32_t TTIFFGraphic::Get32(const uint8_t* p) const {
    return BigEndian()
               ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
               : p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int64_t TTIFFGraphic::FileSize() const {
    return std::max<int64_t>(0, Stream->Size() - BasePosition);
}

bool TTIFFGraphic::CanLoad(TStream& stream) {
    const int64_t start = stream.Position();
    if (stream.Remaining() < 9)
        return false;
    uint8_t header[8];
    stream.ReadBuffer(header, 8);
    const int64_t size = stream.Size();
    stream.SetPosition(start);
    const bool big = header[0] == 'M' && header[1] == 'M';
    if (!big && !(header[0] == 'I' && header[1] == 'I'))
        return false;
    const uint16_t version =
        big ? uint16_t((header[2] << 8) | header[3]) : uint16_t(header[2] | (header[3] << 8));
    const uint32_t first = big ? (uint32_t(header[4]) << 24) | (uint32_t(header[5]) << 16) |
                                     (uint32_t(header[6]) << 8) | header[7]
                               : header[4] | (uint32_t(header[5]) << 8) |
                                     (uint32_t(header[6]) << 16) | (uint32_t(header[7]) << 24);
    return version == 42 && int64_t(first) < size - start;
}

bool TTIFFGraphic::ReadDirectory(uint32_t offset, uint32_t& nextOffset) {
    FDirectory.clear();
    const int64_t size = FileSize();
    if (int64_t(offset) + 2 > size)
        return false;
    uint8_t countBytes[2];
    Stream->SetPosition(BasePosition + offset);
    Stream->ReadBuffer(countBytes, 2);
    const uint32_t count = Get16(countBytes);
    const int64_t tableBytes = int64_t(count) * 12;
    if (int64_t(offset) + 2 + tableBytes + 4 > size)
        return false;
    std::vector<uint8_t> table(size_t(tableBytes) + 4);
    Stream->ReadBuffer(table.data(), int64_t(table.size()));
    FDirectory.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = table.data() + size_t(i) * 12;
        TTIFFEntry& entry = FDirectory[i];
        entry.Tag = Get16(p);
        entry.DataType = Get16(p + 2);
        entry.DataLength = Get32(p + 4);
        std::memcpy(entry.Value.data(), p + 8, 4);
    }
    nextOffset = Get32(table.data() + tableBytes);
    std::sort(FDirectory.begin(), FDirectory.end(),
              [](const TTIFFEntry& a, const TTIFFEntry& b) { return a.Tag < b.Tag; });
    return true;
}

bool TTIFFGraphic::FindTag(uint32_t tag, size_t& index) const {
    const auto it = std::lower_bound(FDirectory.begin(), FDirectory.end(), tag,
                                     [](const TTIFFEntry& e, uint32_t t) { return e.Tag < t; });
    if (it == FDirectory.end() || it->Tag != tag)
        return false;
    index = size_t(it - FDirectory.begin());
    return true;
}

bool TTIFFGraphic::EntryBytes(const TTIFFEntry& entry, std::vector<uint8_t>& bytes) const {
    const int64_t total = int64_t(FieldSize(entry.DataType)) * entry.DataLength;
    if (total <= 4) {
        bytes.assign(entry.Value.begin(), entry.Value.begin() + total);
        return true;
    }
    const uint32_t offset = Get32(entry.Value.data());
    if (int64_t(offset) + total > FileSize())
        return false;
    bytes.resize(size_t(total));
    Stream->SetPosition(BasePosition + offset);
    Stream->ReadBuffer(bytes.data(), total);
    return true;
}

template <typename Sink>
bool TTIFFGraphic::ForEachInteger(uint32_t tag, Sink sink) const {
    size_t index;
    std::vector<uint8_t> bytes;
    if (!FindTag(tag, index) || !EntryBytes(FDirectory[index], bytes))
        return false;
    const TTIFFEntry& entry = FDirectory[index];
    for (uint32_t i = 0; i < entry.DataLength; ++i) {
        switch (entry.DataType) {
        case ftByte:
        case ftSByte:
        case ftUndefined:
            sink(i, uint32_t(bytes[i]));
            break; // JPEGTables are UNDEFINED
        case ftShort:
        case ftSShort:
            sink(i, uint32_t(Get16(&bytes[size_t(i) * 2])));
            break;
        case ftLong:
        case ftSLong:
            sink(i, Get32(&bytes[size_t(i) * 4]));
            break;
        default:
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> TTIFFGraphic::ReadTagBytes(uint32_t tag) const {
    std::vector<uint8_t> values;
    if (!ForEachInteger(tag, [&](uint32_t, uint32_t v) { values.push_back(uint8_t(v)); }))
        values.clear();
    return values;
}

std::vector<uint32_t> TTIFFGraphic::ReadTagCardinals(uint32_t tag) const {
    std::vector<uint32_t> values;
    if (!ForEachInteger(tag, [&](uint32_t, uint32_t v) { values.push_back(v); }))
        values.clear();
    return values;
}

std::vector<float> TTIFFGraphic::ReadTagFloats(uint32_t tag) const {
    size_t index;
    std::vector<uint8_t> bytes;
    std::vector<float> values;
    if (!FindTag(tag, index) || !EntryBytes(FDirectory[index], bytes))
        return values;
    const TTIFFEntry& entry = FDirectory[index];
    for (uint32_t i = 0; i < entry.DataLength; ++i) {
        switch (entry.DataType) {
        case ftRational:
        case ftSRational: {
            const uint8_t* p = &bytes[size_t(i) * 8];
            const uint32_t num = Get32(p), den = Get32(p + 4);
            const bool isSigned = entry.DataType == ftSRational;
            const double n = isSigned ? double(int32_t(num)) : double(num);
            const double d = isSigned ? double(int32_t(den)) : double(den);
            values.push_back(d != 0 ? float(n / d) : 0.0f);
            break;
        }
        case ftFloat: {
            const uint32_t bits = Get32(&bytes[size_t(i) * 4]);
            float f;
            std::memcpy(&f, &bits, 4);
            values.push_back(f);
            break;
        }
        case ftByte:
            values.push_back(float(bytes[i]));
            break;
        case ftShort:
            values.push_back(float(Get16(&bytes[size_t(i) * 2])));
            break;
        case ftSShort:
            values.push_back(float(int16_t(Get16(&bytes[size_t(i) * 2]))));
            break;
        case ftLong:
            values.push_back(float(Get32(&bytes[size_t(i) * 4])));
            break;
        case ftSLong:
            values.push_back(float(int32_t(Get32(&bytes[size_t(i) * 4]))));
            break;
        default:
            return {};
        }
    }
    return values;
}

float TTIFFGraphic::ReadTagFloat(uint32_t tag, float defaultValue) const {
    const std::vector<float> values = ReadTagFloats(tag);
    return values.size() == 1 ? values[0] : defaultValue;
}

uint32_t TTIFFGraphic::ReadTagInteger(uint32_t tag, uint32_t defaultValue) const {
    size_t index;
    if (!FindTag(tag, index))
        return defaultValue;
    if (FDirectory[index].DataLength != 1)
        return Get32(FDirectory[index].Value.data());
    uint32_t value = defaultValue;
    ForEachInteger(tag, [&](uint32_t, uint32_t v) { value = v; });
    return value;
}

bool TTIFFGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    FDirectory.clear();
    Stream = &stream;
    if (FileSize() < 8)
        return false;
    uint8_t header[8];
    stream.SetPosition(BasePosition);
    stream.ReadBuffer(header, 8);
    TImageProperties& p = ImageProperties;
    if (header[0] == 'M' && header[1] == 'M')
        p.Options |= ioBigEndian;
    else if (header[0] != 'I' || header[1] != 'I')
        return false;
    p.Version = Get16(header + 2);
    p.FirstDirectoryOffset = Get32(header + 4);
    // Each directory may be visited once: a chain that comes back to one is broken.
    std::set<uint32_t> visited;
    uint32_t offset = p.FirstDirectoryOffset;
    for (unsigned i = 0;; ++i) {
        uint32_t next = 0;
        if (offset == 0 || !visited.insert(offset).second || !ReadDirectory(offset, next))
            return false;
        if (i == imageIndex)
            break;
        offset = next;
    }
    ReadTIFFProperties();
    return p.Version == 42 && p.Width > 0 && p.Height > 0 && p.BitsPerSample > 0 &&
           p.BitsPerPixel > 0;
}

void TTIFFGraphic::ReadTIFFProperties() {
    TImageProperties& p = ImageProperties;
    const uint32_t width = ReadTagInteger(tagImageWidth, 0);
    const uint32_t height = ReadTagInteger(tagImageLength, 0);
    // Sizes beyond what a bitmap may hold count as unusable rather than wrapping.
    p.Width = width <= uint32_t(MaxPictureDimension) ? int32_t(width) : 0;
    p.Height = height <= uint32_t(MaxPictureDimension) ? int32_t(height) : 0;
    const std::vector<uint32_t> bits = ReadTagCardinals(tagBitsPerSample);
    const uint32_t bitsPerSample = bits.empty() ? 1 : bits[0];
    const uint32_t samples = ReadTagInteger(tagSamplesPerPixel, 1);
    const uint64_t bitsPerPixel = uint64_t(bitsPerSample) * samples;
    if (bitsPerSample <= 255 && samples <= 255 && bitsPerPixel <= 255) {
        p.BitsPerSample = uint8_t(bitsPerSample);
        p.SamplesPerPixel = uint8_t(samples);
        p.BitsPerPixel = uint8_t(bitsPerPixel);
    }
    // A file without the tag is uncompressed, as TIFF defines it.
    p.Compression = MapCompression(ReadTagInteger(tagCompression, 1));
    const uint32_t photometric = ReadTagInteger(tagPhotometric, 0);
    p.ColorScheme = MapPhotometric(photometric, samples);
    if (photometric == 0)
        p.Options |= ioMinIsWhite;
    if (ReadTagInteger(tagFillOrder, 1) == 2)
        p.Options |= ioReversed;
    p.RowsPerStrip = ReadTagCardinals(tagRowsPerStrip);
    // Writers that leave the count out, or give 0, mean one strip of all rows.
    if (p.RowsPerStrip.empty() || p.RowsPerStrip[0] == 0xFFFFFFFF || p.RowsPerStrip[0] == 0)
        p.RowsPerStrip = {uint32_t(p.Height)};
    p.XResolution = ReadTagFloat(tagXResolution, 0);
    p.YResolution = ReadTagFloat(tagYResolution, 0);
    if (ReadTagInteger(tagResolutionUnit, 2) == 3) {
        p.XResolution *= 2.54f;
        p.YResolution *= 2.54f;
    }
    p.PlanarConfiguration = ReadTagInteger(tagPlanarConfiguration, 1);
    FT4Options = ReadTagInteger(tagT4Options, 0);
    p.Predictor = ReadTagInteger(tagPredictor, 0);
    p.TileWidth = ReadTagInteger(tagTileWidth, 0);
    p.TileLength = ReadTagInteger(tagTileLength, 0);
    if (p.TileWidth != 0 && p.TileLength != 0)
        p.Options |= ioTiled;
    const std::vector<uint32_t> extra = ReadTagCardinals(tagExtraSamples);
    p.HasAlpha = !extra.empty() &&
                 std::all_of(extra.begin(), extra.end(), [](uint32_t v) { return v <= 2; });
    // Only YCbCr pictures are subsampled; the JPEG checks expect 1 x 1 for all others.
    p.YCbCrSubSampling.clear();
    FYCbCrPositioning = 1;
    FYCbCrCoefficients = {0.299f, 0.587f, 0.114f};
    if (photometric == 6) {
        p.YCbCrSubSampling = {2, 2};
        const std::vector<float> coefficients = ReadTagFloats(tagYCbCrCoefficients);
        if (!coefficients.empty())
            FYCbCrCoefficients = coefficients;
        const std::vector<uint8_t> subsampling = ReadTagBytes(tagYCbCrSubSampling);
        if (subsampling.size() >= 2)
            p.YCbCrSubSampling = subsampling;
        FYCbCrPositioning = ReadTagInteger(tagYCbCrPositioning, 1);
    }
    p.JPEGOutputMode = ReadTagInteger(tagJPEGOutputMode, 0);
    p.JPEGTableMode = ReadTagInteger(tagJPEGTableMode, 3);
}

void TTIFFGraphic::SetupTIFFColorManager() {
    const TImageProperties& p = ImageProperties;
    TPixelScheme source = p.ColorScheme;
    // libjpeg delivers three-component strips as blue, green, red; others as stored.
    if ((p.Compression == ctJPEG || p.Compression == ctOJPEG) && p.SamplesPerPixel == 3 &&
        !SeparatePlanes())
        source = psBGR;
    TPixelScheme target = source;
    switch (source) {
    case psIndexed:
        if (p.HasAlpha)
            source = psGrayAlpha; // the extra sample is dropped
        break;
    case psRGB:
        target = psBGR;
        break;
    case psRGBA:
        target = psBGRA;
        break;
    case psCMY:
    case psCMYK:
    case psLab:
    case psYCbCr:
        target = psBGR;
        break;
    default:
        break;
    }
    // Separate planes reach the conversion one plane per sample; gray and palette pictures
    // take their first plane only, so an extra sample is dropped.
    uint8_t samples = p.SamplesPerPixel;
    if (SeparatePlanes() && SamplesNeeded(source) < 3) {
        if (source == psGrayAlpha)
            source = psIndexed;
        samples = 1;
    }
    // Each row is converted from the samples the scheme needs; a file that stores fewer
    // would have the conversion read past the row.
    const uint32_t needed = SamplesNeeded(source);
    // The conversion routines read whole bytes of 1-, 2-, 4-, 8- and 16-bit samples only;
    // other depths would have them read past the row.
    const bool knownDepth = p.BitsPerSample == 1 || p.BitsPerSample == 2 || p.BitsPerSample == 4 ||
                            p.BitsPerSample == 8 || p.BitsPerSample == 16;
    if (samples < needed || !knownDepth)
        GraphicErrorFmt(gesInvalidColorFormat, gesFormatTIFF);
    TConversionFlags flags = BigEndian() ? cfSwapBytes : 0;
    if (source == psLab)
        flags |= cfLightness255;
    ColorManager.SetSourceFlags(flags);
    ColorManager.SetSourceBits(p.BitsPerSample);
    ColorManager.SetTargetBits(TargetBits(target, p.BitsPerSample));
    ColorManager.SetSourceScheme(source);
    ColorManager.SetTargetScheme(target);
    ColorManager.SetSourceSamples(samples);
    ColorManager.SetTargetSamples(source == psCMYK ? 3 : samples);
    SetPixelFormat(source == psGrayAlpha ? TPixelFormat::pf8bit
                                         : ColorManager.NativePixelFormat(TargetSide));
}

std::unique_ptr<TDecoder> TTIFFGraphic::CreateDecoder() {
    const TImageProperties& p = ImageProperties;
    const bool reversed = (p.Options & ioReversed) != 0;
    switch (p.Compression) {
    case ctNone:
        return nullptr;
    case ctPackedBits:
        return std::make_unique<TPackbitsRLEDecoder>();
    case ctLZW:
        return std::make_unique<TTIFFLZWDecoder>();
    case ctFax3:
        return std::make_unique<TCCITTFax3Decoder>(FT4Options, p.Width, false, reversed);
    case ctFax4:
        return std::make_unique<TCCITTFax4Decoder>(p.Width, reversed);
    case ctFaxRLE:
    case ctFaxRLEW:
        return std::make_unique<TCCITTMHDecoder>(FT4Options, p.Width, p.Compression == ctFaxRLEW,
                                                 reversed);
    case ctLZ77:
        return std::make_unique<TLZ77Decoder>(1, true);
    case ctJPEG:
        // libjpeg may take what is left of the load's memory budget.
        return std::make_unique<TTIFFJPEGDecoder>(
            ReadTagBytes(tagJPEGTables),
            uint64_t(std::max<int64_t>(TPictureLoadScope::Available(), 1)));
    case ctThunderscan:
        return std::make_unique<TThunderDecoder>(p.Width);
    default:
        GraphicErrorFmt(gesUnsupportedFeature, gesCompressionScheme, gesFormatTIFF);
    }
}

void TTIFFGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    if (!ReadImageProperties(stream, 0))
        InvalidTIFF();
    TImageProperties& p = ImageProperties;
    if (p.Options & ioTiled) {
        FinishTransferring();
        return;
    }
    StartPreparing();
    SetupTIFFColorManager();
    if (ColorManager.SourceScheme() == psYCbCr)
        ColorManager.SetYCbCrSetup(FYCbCrCoefficients, p.YCbCrSubSampling[0],
                                   p.YCbCrSubSampling[1]);
    // A row of a separate plane holds one sample per pixel.
    const uint32_t rowBits = SeparatePlanes() ? p.BitsPerSample : p.BitsPerPixel;
    p.RowBytes = uint32_t((uint64_t(rowBits) * uint32_t(p.Width) + 7) / 8);
    const TStripPlan plan = PlanStrips();
    SetSize(p.Width, p.Height);

    if (ColorManager.TargetScheme() == psIndexed) {
        std::vector<uint8_t> bytes;
        size_t index;
        // A map of fewer than three values holds no entry.
        if (FindTag(tagColorMap, index) && FieldSize(FDirectory[index].DataType) == 2 &&
            FDirectory[index].DataLength >= 3 && EntryBytes(FDirectory[index], bytes)) {
            // The planes start at thirds of the stored map; a map of more than 256 entries per
            // plane keeps its first 256 of each.
            const size_t plane = FDirectory[index].DataLength / 3;
            const size_t entries = std::min<size_t>(plane, ColorMapCapacity / 3);
            FColorMap.assign(3 * entries, 0);
            for (size_t k = 0; k < 3; ++k)
                std::memcpy(FColorMap.data() + k * entries, bytes.data() + k * plane * 2,
                            entries * 2);
            const void* const planes[3] = {FColorMap.data(), FColorMap.data() + entries,
                                           FColorMap.data() + 2 * entries};
            SetPalette(ColorManager.MakeColorPalette(planes, plPlanar16, uint32_t(entries), false));
        }
    } else if (ColorManager.TargetScheme() == psGray) {
        SetPalette(ColorManager.MakeGrayPalette((p.Options & ioMinIsWhite) != 0));
    }

    p.RowIndex = 0;
    std::unique_ptr<TDecoder> decoder = CreateDecoder();
    if (decoder)
        decoder->DecodeInit();
    try {
        LoadStrips(decoder.get(), plan);
    } catch (...) {
        FinishTransferring();
        if (decoder)
            decoder->DecodeEnd();
        throw;
    }
    FinishTransferring();
    if (decoder)
        decoder->DecodeEnd();
    if (const auto* jpeg = dynamic_cast<const TTIFFJPEGDecoder*>(decoder.get()))
        Warnings = jpeg->Warnings();
}

bool TTIFFGraphic::SeparatePlanes() const {
    return ImageProperties.PlanarConfiguration == 2 && ImageProperties.SamplesPerPixel > 1;
}

TTIFFGraphic::TStripPlan TTIFFGraphic::PlanStrips() {
    const TImageProperties& p = ImageProperties;
    TStripPlan plan;
    const std::vector<uint32_t> offsets = ReadTagCardinals(tagStripOffsets);
    std::vector<uint32_t> byteCounts = ReadTagCardinals(tagStripByteCounts);
    const uint32_t rowsPerStrip = std::min(p.RowsPerStrip[0], uint32_t(p.Height));
    // Separate planes store all strips of the first sample, then all of the second, and so
    // on; strip i of every plane holds the same rows.
    const uint32_t planes = SeparatePlanes() ? p.SamplesPerPixel : 1;
    plan.ConvertedPlanes = planes == 1 || ColorManager.SourceSamples() == 1 ? 1 : planes;
    plan.RowsPerStrip = rowsPerStrip;
    plan.StripsPerPlane = std::min<size_t>(offsets.size() / planes,
                                           (uint64_t(p.Height) + rowsPerStrip - 1) / rowsPerStrip);
    // Subsampled YCbCr comes in bands of data units (JPEG strips arrive expanded already).
    const uint32_t h = ColorManager.HorizontalSubsampling();
    const uint32_t v = ColorManager.VerticalSubsampling();
    plan.Subsampled =
        ColorManager.SourceScheme() == psYCbCr && planes == 1 && p.BitsPerSample == 8 && h * v > 1;
    plan.BandRows = plan.Subsampled ? v : 1;
    plan.BandBytes = plan.Subsampled ? YCbCrBandBytes(uint32_t(p.Width), h, v) : p.RowBytes;

    const uint64_t fileSize = uint64_t(FileSize());
    uint64_t neededTotal = 0, plausibleTotal = 0;
    for (size_t strip = 0; strip < plan.StripsPerPlane; ++strip) {
        const uint64_t firstRow = uint64_t(strip) * rowsPerStrip;
        const uint32_t rows = uint32_t(std::min<uint64_t>(rowsPerStrip, p.Height - firstRow));
        const uint64_t needed =
            (uint64_t(rows) + plan.BandRows - 1) / plan.BandRows * plan.BandBytes;
        if (needed > uint64_t(INT32_MAX))
            InvalidTIFF();
        for (uint32_t plane = 0; plane < plan.ConvertedPlanes; ++plane) {
            const size_t i = plane * plan.StripsPerPlane + strip;
            // Without byte counts, uncompressed strips hold their rows and compressed ones
            // run up to the end of the file.
            const uint64_t count = i < byteCounts.size()     ? byteCounts[i]
                                   : p.Compression == ctNone ? needed
                                                             : fileSize;
            const uint64_t offset = offsets[i];
            // The file holds no more than what lies after the offset; an uncompressed strip
            // needs no more than its rows.
            uint64_t held = offset < fileSize ? std::min(count, fileSize - offset) : 0;
            if (p.Compression == ctNone)
                held = std::min(held, needed);
            else
                held = std::min(held, MaxUsefulPackedBytes(p.Compression, rows, plan.BandBytes,
                                                           uint32_t(p.Width)));
            const uint64_t plausible = MaxUnpackedBytes(p.Compression, held, plan.BandBytes);
            // Compressed data too short to yield the strip's rows are not those data.
            if (held > 0 && p.Compression != ctNone && plausible < needed)
                InvalidTIFF();
            neededTotal += needed;
            plausibleTotal += std::min(needed, plausible);
            plan.Strips.push_back({offset, held, rows, needed});
        }
    }
    // A picture whose data could not fill half of it is a claim, not a picture: nothing is
    // allocated for it.
    if (plausibleTotal * 2 < neededTotal)
        InvalidTIFF();
    return plan;
}

void TTIFFGraphic::ReadStrip(TDecoder* decoder, const TStripData& strip,
                             std::vector<uint8_t>& packed, std::vector<uint8_t>& unpacked) {
    unpacked.resize(size_t(strip.Needed));
    Stream->SetPosition(BasePosition + int64_t(strip.Offset));
    if (!decoder) {
        Stream->ReadBuffer(unpacked.data(), int64_t(strip.Held));
        std::fill(unpacked.begin() + std::ptrdiff_t(strip.Held), unpacked.end(), 0);
        return;
    }
    packed.resize(size_t(strip.Held));
    Stream->ReadBuffer(packed.data(), int64_t(packed.size()));
    // Decoders may leave the rest of a short strip unwritten.
    std::fill(unpacked.begin(), unpacked.end(), 0);
    const uint8_t* source = packed.data();
    uint8_t* dest = unpacked.data();
    decoder->Decode(source, dest, int32_t(packed.size()), int32_t(unpacked.size()));
}

TTIFFJPEGStrip TTIFFGraphic::JPEGStrip(uint32_t rows) const {
    const TImageProperties& p = ImageProperties;
    TTIFFJPEGStrip strip;
    strip.Width = uint32_t(p.Width);
    strip.Height = rows;
    strip.Components = SeparatePlanes() ? 1 : p.SamplesPerPixel;
    strip.Precision = p.BitsPerSample;
    if (!SeparatePlanes() && p.YCbCrSubSampling.size() >= 2) {
        strip.HorizontalSampling = p.YCbCrSubSampling[0];
        strip.VerticalSampling = p.YCbCrSubSampling[1];
    }
    strip.YCbCr = p.ColorScheme == psYCbCr;
    strip.RowBytes = p.RowBytes;
    return strip;
}

void TTIFFGraphic::TransferRow(std::span<const void* const> samples) {
    TImageProperties& p = ImageProperties;
    ColorManager.ConvertPixels(samples, ScanLine(int32_t(p.RowIndex)), uint32_t(p.Width));
    ++p.RowIndex;
    RowTransferred(int32_t(p.RowIndex));
}

void TTIFFGraphic::LoadStrips(TDecoder* decoder, const TStripPlan& plan) {
    TImageProperties& p = ImageProperties;
    const bool predict = p.Compression != ctNone && p.Predictor == 2;
    const uint32_t predictorSamples = SeparatePlanes() ? 1 : p.SamplesPerPixel;
    const uint32_t h = ColorManager.HorizontalSubsampling();
    const uint32_t v = ColorManager.VerticalSubsampling();
    std::vector<uint8_t> expanded(plan.Subsampled ? size_t(v) * uint32_t(p.Width) * 3 : 0);

    auto* jpeg = dynamic_cast<TTIFFJPEGDecoder*>(decoder);
    StartTransferring();
    p.StripTotal = uint32_t(plan.Strips.size());
    std::vector<uint8_t> packed;
    std::vector<std::vector<uint8_t>> unpacked(plan.ConvertedPlanes);
    const void* rows[4] = {};
    for (size_t strip = 0; strip < plan.StripsPerPlane; ++strip) {
        p.StripIndex = uint32_t(strip);
        p.RowIndex = uint32_t(strip * plan.RowsPerStrip);
        const TStripData* data = &plan.Strips[strip * plan.ConvertedPlanes];
        // A strip without data leaves its rows blank.
        if (std::any_of(data, data + plan.ConvertedPlanes,
                        [](const TStripData& d) { return d.Held == 0; }))
            continue;
        if (jpeg)
            jpeg->SetStrip(JPEGStrip(data->Rows));
        for (uint32_t plane = 0; plane < plan.ConvertedPlanes; ++plane)
            ReadStrip(decoder, data[plane], packed, unpacked[plane]);
        uint32_t rowsLeft = data->Rows;
        const uint64_t size = data->Needed;
        for (size_t at = 0; rowsLeft > 0 && at + plan.BandBytes <= size && plan.BandBytes > 0;
             at += plan.BandBytes) {
            if (plan.Subsampled) {
                const uint32_t bandHeight = std::min(v, rowsLeft);
                ExpandYCbCrBand(unpacked[0].data() + at, uint32_t(p.Width), h, v, bandHeight,
                                expanded.data());
                for (uint32_t r = 0; r < bandHeight; ++r) {
                    rows[0] = expanded.data() + size_t(r) * uint32_t(p.Width) * 3;
                    TransferRow({rows, 1});
                }
                rowsLeft -= bandHeight;
                continue;
            }
            for (uint32_t plane = 0; plane < plan.ConvertedPlanes; ++plane) {
                uint8_t* row = unpacked[plane].data() + at;
                if (predict)
                    UndoPredictor(row, uint32_t(p.Width), predictorSamples, p.BitsPerSample,
                                  BigEndian());
                rows[plane] = row;
            }
            TransferRow({rows, plan.ConvertedPlanes});
            --rowsLeft;
        }
    }
}
