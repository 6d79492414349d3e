#include "formats/PSPGraphic.h"

#include "codecs/LZ77Decoder.h"
#include "codecs/PSPRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const TGraphicClassInfo TPSPGraphic::ClassInfo = {"TPSPGraphic", CreateGraphic<TPSPGraphic>};

namespace {

constexpr int64_t HeaderSize = 36;
constexpr char Signature[] = "Paint Shop Pro Image File";
constexpr size_t SignatureLength = 25;
constexpr size_t AttributesSize = 42;
// Version 3 files end the attributes after the layer count, without the graphic contents.
constexpr size_t ShortAttributesSize = 38;
constexpr size_t LayerNameSize = 256; // version 3
constexpr size_t LayerInfoSize = 115;

enum TPSPBlock : uint16_t { pbImageAttributes = 0, pbPalette = 2, pbLayerBank = 3, pbLayer = 4 };
enum TPSPCompression : uint16_t { pcNone = 0, pcRLE = 1, pcLZ77 = 2, pcJPEG = 3 };

// Most bytes one packed byte can stand for: a PSP run of 127 from 2 bytes, deflate's 1032:1.
constexpr uint64_t MaxRLEExpansion = 64;
constexpr uint64_t MaxDeflateExpansion = 1032;

uint16_t LittleEndian16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t LittleEndian32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool SignatureMatches(const uint8_t* header) {
    for (size_t i = 0; i < SignatureLength; ++i)
        if (std::tolower(header[i]) != std::tolower(Signature[i]))
            return false;
    return true;
}

// Reads a 32-bit value; false when the stream ends first.
bool Read32(TStream& stream, uint32_t& value) {
    uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4)
        return false;
    value = LittleEndian32(bytes);
    return true;
}

[[noreturn]] void InvalidFile() {
    GraphicErrorFmt(gesInvalidImage, gesFormatPSP);
}

// From version 4 on, a chunk starts with its size, which counts that size field too. Reads the
// size and returns where the chunk ends, which must be within LIMIT.
int64_t ChunkEnd(TStream& stream, int64_t limit) {
    const int64_t start = stream.Position();
    uint32_t size;
    if (!Read32(stream, size) || size < 4 || start + int64_t(size) > limit)
        InvalidFile();
    return start + size;
}

} // namespace

bool TPSPGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t header[HeaderSize];
    const bool enough =
        stream.Remaining() > HeaderSize && stream.Read(header, HeaderSize) == HeaderSize;
    stream.SetPosition(position);
    return enough && SignatureMatches(header) && LittleEndian16(header + 32) >= 3;
}

bool TPSPGraphic::ReadBlockHeader(TStream& stream, int64_t limit, TBlockHeader& header) {
    const size_t size = ImageProperties.Version == 3 ? 14 : 10;
    uint8_t bytes[14];
    if (stream.Position() + int64_t(size) > limit || stream.Read(bytes, size) != int64_t(size) ||
        bytes[0] != '~')
        return false;
    header.Id = LittleEndian16(bytes + 4);
    const uint32_t length = LittleEndian32(bytes + size - 4);
    header.End = stream.Position() + length;
    return header.End <= limit;
}

bool TPSPGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    uint8_t header[HeaderSize];
    if (stream.Read(header, HeaderSize) != HeaderSize || !SignatureMatches(header))
        return false;
    TImageProperties& p = ImageProperties;
    p.Version = LittleEndian16(header + 32);
    if (p.Version < 3)
        return false;
    TBlockHeader block;
    if (!ReadBlockHeader(stream, stream.Size(), block) || block.Id != pbImageAttributes)
        return false;
    if (p.Version > 3)
        stream.Seek(4, TSeekOrigin::soCurrent);
    uint8_t a[AttributesSize] = {};
    const int64_t available = std::min<int64_t>(block.End - stream.Position(), AttributesSize);
    if (available < int64_t(ShortAttributesSize) || stream.Read(a, available) != available)
        return false;
    p.Width = int32_t(std::min<uint32_t>(LittleEndian32(a), INT32_MAX));
    p.Height = int32_t(std::min<uint32_t>(LittleEndian32(a + 4), INT32_MAX));
    double resolution;
    std::memcpy(&resolution, a + 8, sizeof resolution);
    if (a[16] == 2)
        resolution *= 2.54;
    p.XResolution = p.YResolution = float(resolution);
    switch (LittleEndian16(a + 17)) {
    case pcNone:
        p.Compression = ctNone;
        break;
    case pcRLE:
        p.Compression = ctRLE;
        break;
    case pcLZ77:
        p.Compression = ctLZ77;
        break;
    case pcJPEG:
        p.Compression = ctJPEG;
        break;
    default:
        p.Compression = ctUnknown;
    }
    const uint16_t depth = LittleEndian16(a + 19);
    if (depth == 24) {
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 3;
        p.ColorScheme = psRGB;
    } else {
        p.BitsPerSample = uint8_t(std::min<uint16_t>(depth, 255));
        p.SamplesPerPixel = 1;
        p.ColorScheme = a[27] ? psGray : psIndexed;
    }
    p.BitsPerPixel = uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    stream.SetPosition(block.End);
    return true;
}

void TPSPGraphic::ReadPalette(TStream& stream, int64_t blockEnd) {
    if (ImageProperties.Version > 3)
        stream.Seek(4, TSeekOrigin::soCurrent);
    uint32_t count;
    if (!Read32(stream, count) || count == 0 || count > (blockEnd - stream.Position()) / 4)
        GraphicErrorFmt(gesInvalidPalette, gesFormatPSP);
    std::vector<uint8_t> entries(size_t(std::min<uint32_t>(count, 256)) * 4);
    stream.ReadBuffer(entries.data(), int64_t(entries.size()));
    SetPalette(
        ColorManager.MakeColorPalette(entries.data(), plQuad8, uint32_t(entries.size() / 4), true));
}

void TPSPGraphic::ReadChannel(TStream& stream, int64_t channelEnd, TPlanes& planes,
                              size_t& rowStride) {
    const int64_t infoEnd =
        ImageProperties.Version > 3 ? ChunkEnd(stream, channelEnd) : stream.Position() + 12;
    uint8_t fields[12];
    if (stream.Position() + 12 > std::min(infoEnd, channelEnd))
        InvalidFile();
    stream.ReadBuffer(fields, 12);
    stream.SetPosition(infoEnd);
    const uint32_t compressedSize = LittleEndian32(fields);
    const uint16_t channelType = LittleEndian16(fields + 10);
    if (channelType >= planes.size())
        return;
    if (compressedSize > channelEnd - stream.Position())
        GraphicErrorFmt(gesStreamReadError, gesFormatPSP);

    // The uncompressed size a channel states is not its plane's size in every writer (some
    // give the whole bitmap's), so the layout follows from the picture: rows of the bytes
    // their pixels need, or padded to 4 bytes as bitmaps often are. The length of the data
    // tells which.
    const size_t height = size_t(ImageProperties.Height);
    const size_t tightRow = (size_t(ImageProperties.Width) * ImageProperties.BitsPerSample + 7) / 8;
    const size_t paddedRow = (tightRow + 3) / 4 * 4;
    uint64_t expansion = 1;
    if (ImageProperties.Compression == ctRLE)
        expansion = MaxRLEExpansion;
    else if (ImageProperties.Compression == ctLZ77)
        expansion = MaxDeflateExpansion;
    // Data too short to fill the rows is refused before their buffer is allocated.
    if (uint64_t(tightRow) * height > uint64_t(compressedSize) * expansion)
        GraphicErrorFmt(gesStreamReadError, gesFormatPSP);

    const TPictureMemory packed(compressedSize);
    stream.ReadBuffer(packed.Data(), compressedSize);
    TPictureMemory& plane = planes[channelType];
    plane = TPictureMemory(paddedRow * height);
    const uint8_t* source = packed.Data();
    uint8_t* dest = plane.Data();
    switch (ImageProperties.Compression) {
    case ctRLE: {
        TPSPRLEDecoder decoder;
        decoder.Decode(source, dest, int32_t(compressedSize), int32_t(plane.Size()));
        dest += decoder.UnpackedCount();
        break;
    }
    case ctLZ77: {
        TLZ77Decoder decoder(Z_FINISH, false);
        decoder.DecodeInit();
        decoder.Decode(source, dest, int32_t(compressedSize), int32_t(plane.Size()));
        const bool failed = decoder.ZLibResult() < 0 && decoder.ZLibResult() != Z_BUF_ERROR;
        decoder.DecodeEnd();
        if (failed)
            GraphicErrorFmt(gesCompression, gesFormatPSP);
        break;
    }
    default: {
        const size_t copied = std::min(packed.Size(), plane.Size());
        std::memcpy(dest, source, copied);
        dest += copied;
    }
    }
    const size_t stride = size_t(dest - plane.Data()) == plane.Size() ? paddedRow : tightRow;
    if (rowStride != 0 && rowStride != stride)
        InvalidFile();
    rowStride = stride;
}

void TPSPGraphic::ReadLayer(TStream& stream, int64_t layerEnd) {
    const int64_t countsEnd =
        ImageProperties.Version > 3 ? ChunkEnd(stream, layerEnd) : stream.Position() + 4;
    uint8_t counts[4];
    if (stream.Position() + 4 > std::min(countsEnd, layerEnd))
        InvalidFile();
    stream.ReadBuffer(counts, 4);
    stream.SetPosition(countsEnd);
    const uint16_t channels = LittleEndian16(counts + 2);
    TPlanes planes;
    size_t rowStride = 0;
    for (uint16_t i = 0; i < channels; ++i) {
        TBlockHeader channel;
        if (!ReadBlockHeader(stream, layerEnd, channel))
            InvalidFile();
        ReadChannel(stream, channel.End, planes, rowStride);
        stream.SetPosition(channel.End);
    }

    // A fourth channel beside red, green and blue is the layer's transparency.
    const bool colour = ImageProperties.ColorScheme == psRGB;
    const bool withAlpha = colour && channels > 3 && planes[0].Size() > 0;
    for (size_t k = colour ? 1 : 0; k < (colour ? 4 : 1); ++k)
        if (planes[k].Size() == 0)
            InvalidFile();
    if (withAlpha) {
        ColorManager.SetSourceScheme(psRGBA);
        ColorManager.SetSourceSamples(4);
        ColorManager.SetTargetScheme(psBGRA);
        ColorManager.SetTargetSamples(4);
        SetPixelFormat(ColorManager.NativePixelFormat(TargetSide));
    }
    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    SetSize(ImageProperties.Width, ImageProperties.Height);
    StartTransferring();
    TransferRows(planes, rowStride, withAlpha);
    FinishTransferring();
}

bool TPSPGraphic::ReadLayerBank(TStream& stream, int64_t blockEnd) {
    const bool version3 = ImageProperties.Version == 3;
    TBlockHeader layer;
    while (ReadBlockHeader(stream, blockEnd, layer) && layer.Id == pbLayer) {
        Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesLoadingData);
        uint8_t info[LayerInfoSize];
        if (version3) {
            stream.Seek(LayerNameSize, TSeekOrigin::soCurrent);
            if (stream.Position() + int64_t(LayerInfoSize) > layer.End)
                InvalidFile();
            stream.ReadBuffer(info, LayerInfoSize);
        } else {
            const int64_t infoEnd = ChunkEnd(stream, layer.End);
            uint8_t nameLength[2];
            stream.ReadBuffer(nameLength, 2);
            stream.Seek(LittleEndian16(nameLength), TSeekOrigin::soCurrent);
            if (stream.Position() + int64_t(LayerInfoSize) > infoEnd)
                InvalidFile();
            stream.ReadBuffer(info, LayerInfoSize);
            stream.SetPosition(infoEnd);
        }
        // Version 3 knows one raster type (0); later versions add floating (2) and vector
        // layers above it.
        if (info[0] == 0 || (!version3 && info[0] < 2)) {
            ReadLayer(stream, layer.End);
            return true;
        }
        stream.SetPosition(layer.End);
    }
    return false;
}

void TPSPGraphic::TransferRows(const TPlanes& planes, size_t rowStride, bool withAlpha) {
    const bool colour = ImageProperties.ColorScheme == psRGB;
    const std::array<const void*, 4> base = {planes[1].Data(), planes[2].Data(), planes[3].Data(),
                                             planes[0].Data()};
    const size_t count = colour ? (withAlpha ? 4 : 3) : 1;
    std::array<const void*, 4> sources{};
    for (int32_t y = 0; y < ImageProperties.Height; ++y) {
        const size_t offset = size_t(y) * rowStride;
        if (colour)
            for (size_t k = 0; k < count; ++k)
                sources[k] = static_cast<const uint8_t*>(base[k]) + offset;
        else
            sources[0] = planes[0].Data() + offset;
        ColorManager.ConvertPixels(std::span<const void* const>(sources.data(), count), ScanLine(y),
                                   uint32_t(ImageProperties.Width));
        RowTransferred(y);
    }
}

void TPSPGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    const TImageProperties& p = ImageProperties;
    if (!ReadImageProperties(stream, 0) || !MayAllocatePicture(p.Width, p.Height))
        InvalidFile();
    if (p.Compression == ctJPEG || p.Compression == ctUnknown)
        GraphicErrorFmt(gesUnsupportedFeature, gesCompressionScheme, gesFormatPSP);
    if (p.BitsPerSample != 1 && p.BitsPerSample != 4 && p.BitsPerSample != 8)
        GraphicErrorFmt(gesInvalidColorFormat, gesFormatPSP);
    StartPreparing();
    SetupColorManager(p.ColorScheme == psRGB ? psBGR : p.ColorScheme, p.BitsPerSample,
                      p.SamplesPerPixel);
    if (p.ColorScheme == psGray)
        SetPalette(ColorManager.MakeGrayPalette(false));

    const int64_t fileEnd = stream.Size();
    TBlockHeader block;
    bool layerRead = false;
    while (!layerRead && ReadBlockHeader(stream, fileEnd, block)) {
        if (block.Id == pbPalette)
            ReadPalette(stream, block.End);
        else if (block.Id == pbLayerBank)
            layerRead = ReadLayerBank(stream, block.End);
        stream.SetPosition(block.End);
    }
    // A file without a raster layer has no picture to show.
    if (!layerRead)
        InvalidFile();
}
