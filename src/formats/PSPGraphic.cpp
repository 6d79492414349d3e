#include "formats/PSPGraphic.h"

#include "codecs/LZ77Decoder.h"
#include "codecs/PSPRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <span>

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

bool SignatureMatches(const TByteCursor& header) {
    for (size_t i = 0; i < SignatureLength; ++i)
        if (std::tolower(header.U8At(i)) != std::tolower(Signature[i]))
            return false;
    return true;
}

[[noreturn]] void InvalidFile() {
    GraphicErrorFmt(gesInvalidImage, gesFormatPSP);
}

// From version 4 on, a chunk starts with its size, which counts that size field too. Takes
// the chunk from In and returns its fields, after the size.
TByteCursor TakeChunk(TByteCursor& in) {
    const uint32_t size = in.U32();
    if (size < 4)
        InvalidFile();
    return in.TakeRange(size - 4);
}

} // namespace

bool TPSPGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    std::array<uint8_t, HeaderSize> raw;
    const bool enough = StreamHolds(stream, HeaderSize + 1);
    const TByteCursor header =
        enough ? ReadBlock(stream, raw, TByteOrder::boLittleEndian) : TByteCursor();
    stream.SetPosition(position);
    return enough && SignatureMatches(header) && header.U16At(32) >= 3;
}

// The bytes of a block header: "~BK\0", the id, in version 3 an initial length, and the
// length of the data that follow.
size_t TPSPGraphic::BlockHeaderSize() const {
    return Header->MajorVersion == 3 ? 14 : 10;
}

TPSPGraphic::TBlockHeader TPSPGraphic::ParseBlockHeader(const TByteCursor& bytes) const {
    return {bytes.U8At(0) == '~', bytes.U16At(4), bytes.U32At(BlockHeaderSize() - 4)};
}

// The next block of In, when In holds the whole of it.
bool TPSPGraphic::TakeBlock(TByteCursor& in, uint16_t& id, TByteCursor& data) const {
    if (!in.Has(in.Position(), BlockHeaderSize()))
        return false;
    const TBlockHeader header = ParseBlockHeader(in.TakeRange(BlockHeaderSize()));
    if (!header.Valid || !in.Has(in.Position(), header.Length))
        return false;
    id = header.Id;
    data = in.TakeRange(header.Length);
    return true;
}

// The signature and the general image attributes, the first block: read once.
bool TPSPGraphic::ReadHeader(TStream& stream) {
    Header.reset();
    if (!StreamHolds(stream, HeaderSize))
        return false;
    std::array<uint8_t, HeaderSize> raw;
    const TByteCursor header = ReadBlock(stream, raw, TByteOrder::boLittleEndian);
    const THeader checked = {SignatureMatches(header), header.U16At(32)};
    if (!checked.Check())
        return false;
    Header = checked;
    TImageProperties& p = ImageProperties;
    p.Version = checked.MajorVersion;
    if (!StreamHolds(stream, BlockHeaderSize()))
        return false;
    std::array<uint8_t, 14> blockRaw;
    const TBlockHeader block = ParseBlockHeader(ReadBlock(
        stream, std::span(blockRaw).first(BlockHeaderSize()), TByteOrder::boLittleEndian));
    if (!block.Valid || block.Id != pbImageAttributes || !StreamHolds(stream, block.Length))
        return false;
    TPictureMemory storage;
    TByteCursor attributes =
        ReadBlock(stream, block.Length, storage, TByteOrder::boLittleEndian, InvalidFile);
    if (Header->Chunked()) {
        if (!attributes.Has(0, 4))
            return false;
        attributes.Skip(4);
    }
    if (!attributes.Has(attributes.Position(), ShortAttributesSize))
        return false;
    DescribeAttributes(attributes.TakeRange(attributes.Remaining()));
    return true;
}

void TPSPGraphic::DescribeAttributes(TByteCursor a) {
    TImageProperties& p = ImageProperties;
    p.Width = int32_t(std::min<uint32_t>(a.U32(), INT32_MAX));
    p.Height = int32_t(std::min<uint32_t>(a.U32(), INT32_MAX));
    double resolution = a.F64();
    if (a.U8() == 2)
        resolution *= 2.54;
    p.XResolution = p.YResolution = float(resolution);
    switch (a.U16()) {
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
    const uint16_t depth = a.U16();
    if (depth == 24) {
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 3;
        p.ColorScheme = psRGB;
    } else {
        p.BitsPerSample = uint8_t(std::min<uint16_t>(depth, 255));
        p.SamplesPerPixel = 1;
        p.ColorScheme = a.U8At(27) ? psGray : psIndexed;
    }
    p.BitsPerPixel = uint8_t(p.BitsPerSample * p.SamplesPerPixel);
}

bool TPSPGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    return ReadHeader(stream);
}

void TPSPGraphic::ReadPalette(TByteCursor block) {
    if (Header->Chunked() && block.Has(0, 4))
        block.Skip(4);
    const uint32_t count = block.Has(block.Position(), 4) ? block.U32() : 0;
    if (count == 0 || !block.Has(block.Position(), uint64_t(count) * 4))
        GraphicErrorFmt(gesInvalidPalette, gesFormatPSP);
    const uint32_t used = std::min<uint32_t>(count, 256);
    SetPalette(ColorManager.MakeColorPalette(block.Take(used * 4), plQuad8, used, true));
}

void TPSPGraphic::ReadChannel(TByteCursor channel, TPlanes& planes, size_t& rowStride) {
    TByteCursor info = Header->Chunked() ? TakeChunk(channel) : channel.TakeRange(12);
    const uint32_t compressedSize = info.U32At(0);
    const uint16_t channelType = info.U16At(10);
    if (channelType >= planes.size())
        return;
    if (!channel.Has(channel.Position(), compressedSize))
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

    const uint8_t* source = channel.Take(compressedSize);
    TPictureMemory& plane = planes[channelType];
    plane = TPictureMemory(paddedRow * height);
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
        const size_t copied = std::min<size_t>(compressedSize, plane.Size());
        std::memcpy(dest, source, copied);
        dest += copied;
    }
    }
    const size_t stride = size_t(dest - plane.Data()) == plane.Size() ? paddedRow : tightRow;
    if (rowStride != 0 && rowStride != stride)
        InvalidFile();
    rowStride = stride;
}

void TPSPGraphic::ReadLayer(TByteCursor layer) {
    const TByteCursor counts = Header->Chunked() ? TakeChunk(layer) : layer.TakeRange(4);
    const uint16_t channels = counts.U16At(2);
    TPlanes planes;
    size_t rowStride = 0;
    for (uint16_t i = 0; i < channels; ++i) {
        uint16_t id;
        TByteCursor channel;
        if (!TakeBlock(layer, id, channel))
            InvalidFile();
        ReadChannel(channel, planes, rowStride);
    }

    // A fourth channel beside red, green and blue is the layer's transparency.
    const bool colour = ImageProperties.ColorScheme == psRGB;
    const bool withAlpha = colour && channels > 3 && planes[0].Size() > 0;
    for (size_t k = colour ? 1 : 0; k < (colour ? 4 : 1); ++k)
        if (planes[k].Size() == 0)
            InvalidFile();
    if (withAlpha)
        SetupColorManager({psRGBA, ImageProperties.BitsPerSample, 4}, psBGRA,
                          ImageProperties.BitsPerSample, 4);
    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    SizePicture(ImageProperties.Width, ImageProperties.Height);
    StartTransferring();
    TransferRows(planes, rowStride, withAlpha);
    FinishTransferring();
}

bool TPSPGraphic::ReadLayerBank(TByteCursor bank) {
    const bool version3 = !Header->Chunked();
    uint16_t id;
    TByteCursor layer;
    while (TakeBlock(bank, id, layer) && id == pbLayer) {
        Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesLoadingData);
        TByteCursor info;
        if (version3) {
            layer.Skip(LayerNameSize);
            info = layer.TakeRange(LayerInfoSize);
        } else {
            TByteCursor infoChunk = TakeChunk(layer);
            infoChunk.Skip(infoChunk.U16()); // the layer's name
            info = infoChunk.TakeRange(LayerInfoSize);
        }
        // Version 3 knows one raster type (0); later versions add floating (2) and vector
        // layers above it.
        const uint8_t type = info.U8At(0);
        if (type == 0 || (!version3 && type < 2)) {
            ReadLayer(layer);
            return true;
        }
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
        ColorManager.ConvertPixels(std::span<const void* const>(sources.data(), count),
                                   TargetRow(y), uint32_t(ImageProperties.Width));
        RowTransferred(y);
    }
}

void TPSPGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    const TImageProperties& p = ImageProperties;
    TGraphicReader::ReadImageProperties(stream, 0);
    if (!ReadHeader(stream) || !MayAllocatePicture(p.Width, p.Height))
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

    // The blocks after the attributes, read whole and walked in memory.
    TPictureMemory storage;
    TByteCursor blocks = ReadBlock(stream, uint64_t(stream.Remaining()), storage,
                                   TByteOrder::boLittleEndian, InvalidFile);
    uint16_t id;
    TByteCursor block;
    bool layerRead = false;
    while (!layerRead && TakeBlock(blocks, id, block)) {
        if (id == pbPalette)
            ReadPalette(block);
        else if (id == pbLayerBank)
            layerRead = ReadLayerBank(block);
    }
    // A file without a raster layer has no picture to show.
    if (!layerRead)
        InvalidFile();
}
