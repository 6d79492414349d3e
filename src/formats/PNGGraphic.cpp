#include "formats/PNGGraphic.h"

#include "formats/ExifOrientation.h"
#include "formats/GraphicStrings.h"
#include "formats/PNGFilters.h"
#include "formats/PNGProfile.h"
#include "platform/MetadataOptions.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <zlib.h>

const TGraphicClassInfo TPNGGraphic::ClassInfo = {"TPNGGraphic", CreateGraphic<TPNGGraphic>};

namespace {

constexpr uint8_t PNGSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Deflate cannot pack more than about 1032 bytes into one; a file whose remaining bytes
// cannot hold the picture even at that rate is refused before anything is allocated.
constexpr uint64_t MaxDeflateRatio = 1032;

struct TAdam7Pass {
    uint32_t FirstRow, FirstColumn, RowStep, ColumnStep;
    uint8_t Mask;
};
constexpr TAdam7Pass Adam7[7] = {{0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88},
                                 {0, 2, 4, 4, 0x22}, {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55},
                                 {1, 0, 2, 1, 0xFF}};

// A chunk the file cannot hold is a truncated or damaged file, not a reason to allocate.
[[noreturn]] void RaiseTruncated() {
    GraphicErrorFmt(gesStreamReadError, gesFormatPNG);
}

// The largest chunk length the format allows.
constexpr uint32_t MaxChunkLength = 0x7FFFFFFFu;
constexpr uint32_t HeaderChunkLength = 13;

} // namespace

bool TPNGGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t signature[8];
    const bool result = StreamHolds(stream, 9) && stream.Read(signature, 8) == 8 &&
                        std::memcmp(signature, PNGSignature, 8) == 0;
    stream.SetPosition(position);
    return result;
}

void TPNGGraphic::ReadChunkHeader() {
    std::array<uint8_t, 8> raw;
    TByteCursor header = ReadBlock(*Stream, raw, TByteOrder::boBigEndian);
    ChunkLength = header.U32();
    header.Read(ChunkType, 4);
    ChunkCRC = uint32_t(crc32(0, ChunkType, 4));
}

// The chunk's data and its CRC, read in one block.
void TPNGGraphic::ReadChunkData() {
    if (ChunkLength > MaxChunkLength)
        RaiseTruncated();
    const TByteCursor data = ReadBlock(*Stream, uint64_t(ChunkLength) + 4, RawBuffer,
                                       TByteOrder::boBigEndian, RaiseTruncated);
    ChunkCRC = uint32_t(crc32(ChunkCRC, data.Data(), ChunkLength));
    if (ChunkCRC != data.U32At(ChunkLength))
        GraphicErrorFmt(gesInvalidCRC, gesFormatPNG);
}

TByteCursor TPNGGraphic::Chunk() const {
    return TByteCursor(RawBuffer.Data(), ChunkLength, TByteOrder::boBigEndian, RaiseTruncated);
}

void TPNGGraphic::SkipChunk() {
    Stream->Seek(int64_t(ChunkLength) + 4, TSeekOrigin::soCurrent);
}

// Chunk types compare with the case bit of every letter cleared.
bool TPNGGraphic::IsChunk(const char* type) const {
    for (int i = 0; i < 4; ++i)
        if ((ChunkType[i] & 0xDF) != (uint8_t(type[i]) & 0xDF))
            return false;
    return true;
}

TPNGGraphic::THeader TPNGGraphic::ParseHeader() const {
    TByteCursor d = Chunk();
    THeader header;
    header.Width = d.U32();
    header.Height = d.U32();
    header.BitDepth = d.U8();
    header.ColorType = d.U8();
    header.Compression = d.U8();
    header.Filter = d.U8();
    header.Interlace = d.U8();
    return header;
}

bool TPNGGraphic::THeader::Check() const {
    return Width != 0 && Height != 0 && Width <= MaxChunkLength && Height <= MaxChunkLength;
}

// The signature and the header chunk, read once: they describe the picture to
// ReadImageProperties and leave the stream at the next chunk for the load.
bool TPNGGraphic::ReadHeader(TStream& stream) {
    Stream = &stream;
    uint8_t signature[8];
    if (stream.Read(signature, 8) != 8 || std::memcmp(signature, PNGSignature, 8) != 0)
        return false;
    if (!StreamHolds(stream, 8))
        return false;
    ReadChunkHeader();
    if (!IsChunk("IHDR") || ChunkLength < HeaderChunkLength)
        return false;
    ReadChunkData();
    Header = ParseHeader();
    if (!Header.Check())
        return false;

    TImageProperties& p = ImageProperties;
    p.Options = ioBigEndian;
    p.Width = int32_t(Header.Width);
    p.Height = int32_t(Header.Height);
    p.Compression = Header.Compression == 0 ? ctLZ77 : ctUnknown;
    p.BitsPerSample = Header.BitDepth;
    p.SamplesPerPixel = Header.ColorType == 2 ? 3 : Header.ColorType == 6 ? 4 : 1;
    switch (Header.ColorType) {
    case 0:
        p.ColorScheme = psGray;
        break;
    case 2:
        p.ColorScheme = psRGB;
        break;
    case 3:
        p.ColorScheme = psIndexed;
        break;
    case 4:
        p.ColorScheme = psGrayAlpha;
        break;
    case 6:
        p.ColorScheme = psRGBA;
        break;
    default:
        p.ColorScheme = psUnknown;
        break;
    }
    p.BitsPerPixel = uint8_t(p.SamplesPerPixel * p.BitsPerSample);
    p.FilterMode = Header.Filter;
    p.Interlaced = Header.Interlace != 0;
    p.HasAlpha = p.ColorScheme == psGrayAlpha || p.ColorScheme == psRGBA;
    return true;
}

float TPNGGraphic::ChunkGamma() const {
    return float(Chunk().U32At(0)) / 100000.0f;
}

bool TPNGGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    if (!ReadHeader(stream))
        return false;
    while (StreamHolds(stream, 8)) {
        ReadChunkHeader();
        if (IsChunk("IEND"))
            break;
        if (IsChunk("gAMA")) {
            ReadChunkData();
            if (ChunkLength >= 4)
                ImageProperties.FileGamma = ChunkGamma();
            break;
        }
        SkipChunk();
    }
    return true;
}

void TPNGGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    TGraphicReader::ReadImageProperties(stream, 0);
    if (!ReadHeader(stream))
        GraphicErrorFmt(gesInvalidImage, gesFormatPNG);
    StartPreparing();
    FilePalette.reset();
    BackgroundColor = {255, 255, 255};
    TransparentKey.reset();
    ColorDepthSetUp = false;
    ImageDecoded = false;
    StreamEnded = false;
    // A previous load's image data are gone with its buffer.
    CurrentSource = nullptr;
    IDATSize = 0;
    SourceBPP = 1;
    Metadata = {};
    ColorManager.SetSourceFlags(cfSwapBytes);
    ColorManager.SetTargetFlags(0);
    const TTransferEnd end(*this);
    const TReleaseBuffers release{*this};
    LoadChunks();
    Decoder->DecodeEnd();
}

TPNGGraphic::TReleaseBuffers::~TReleaseBuffers() {
    Reader.Decoder.reset();
    Reader.RawBuffer.Reset();
}

// The chunks after the header, up to the end.
void TPNGGraphic::LoadChunks() {
    if (ImageProperties.Compression != ctLZ77)
        GraphicErrorFmt(gesUnsupportedFeature, gesCompressionScheme, gesFormatPNG);
    Decoder = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, false);
    Decoder->DecodeInit();

    ReadChunkHeader();
    for (;;) {
        if (IsChunk("IDAT") && !ImageDecoded) {
            DecodeImage();
            continue; // the chunk after the image data is already current
        }
        if (IsChunk("PLTE")) {
            ReadPalette();
        } else if (IsChunk("iCCP")) {
            ReadChunkData();
            Metadata.IccProfile = InflateICCPChunk({Chunk().Data(), ChunkLength});
            IgnoreGammaForProfile();
        } else if (IsChunk("eXIf")) {
            ReadChunkData();
            Metadata.Orientation = ExifOrientation({Chunk().Data(), ChunkLength});
        } else if (IsChunk("gAMA")) {
            ReadChunkData();
            if (ChunkLength >= 4)
                ImageProperties.FileGamma = ChunkGamma();
            if (ChunkLength >= 4 && !ProfileApplies()) {
                ColorManager.SetGammaValues(ChunkGamma(), 2.2f);
                ColorManager.SetTargetFlags(ColorManager.TargetFlags() | cfGamma);
                ImageProperties.Options |= ioUseGamma;
            }
        } else if (IsChunk("bKGD")) {
            ReadBackground();
        } else if (IsChunk("tRNS")) {
            ReadTransparency();
        } else {
            if (IsChunk("IEND")) {
                // A file that ends before any image data holds no picture at all.
                if (!ImageDecoded)
                    GraphicErrorFmt(gesInvalidImage, gesFormatPNG);
                return;
            }
            if ((ChunkType[0] & 0x20) == 0)
                GraphicError(gesUnknownCriticalChunk);
            SkipChunk();
        }
        ReadChunkHeader();
    }
}

// A colour profile describes the samples' curve itself: gAMA is then only for decoders
// without colour management.
bool TPNGGraphic::ProfileApplies() const {
    return !Metadata.IccProfile.empty() && MetadataOptions().ColorProfiles;
}

void TPNGGraphic::IgnoreGammaForProfile() {
    if (ProfileApplies())
        ColorManager.SetTargetFlags(ColorManager.TargetFlags() & ~cfGamma);
}

void TPNGGraphic::SetupColorDepth() {
    const uint8_t depth = Header.BitDepth;
    const bool eightOrSixteen = depth == 8 || depth == 16;
    switch (Header.ColorType) {
    case 0:
        if (depth != 1 && depth != 2 && depth != 4 && !eightOrSixteen)
            break;
        SetupColorManager(psGray, depth == 2 ? 4 : depth == 16 ? 8 : depth, 1, cfSwapBytes);
        FilePalette = ColorManager.MakeGrayPalette(false);
        SourceBPP = (depth + 7) / 8;
        ColorDepthSetUp = true;
        return;
    case 2:
        if (!eightOrSixteen)
            break;
        SetupColorManager(psBGR, 8, 3, cfSwapBytes);
        SourceBPP = depth * 3 / 8;
        ColorDepthSetUp = true;
        return;
    case 3:
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8)
            break;
        SetupColorManager(psIndexed, depth == 2 ? 4 : depth, 1, cfSwapBytes);
        SourceBPP = 1;
        ColorDepthSetUp = true;
        return;
    case 4:
        if (!eightOrSixteen)
            break;
        SetupColorManager(psIndexed, 8, 1, cfSwapBytes);
        FilePalette = ColorManager.MakeGrayPalette(false);
        SourceBPP = depth * 2 / 8;
        ColorDepthSetUp = true;
        return;
    case 6:
        if (!eightOrSixteen)
            break;
        SetupColorManager(psBGRA, 8, 4, cfSwapBytes);
        SourceBPP = depth * 4 / 8;
        ColorDepthSetUp = true;
        return;
    default:
        break;
    }
    GraphicErrorFmt(gesInvalidColorFormat, gesFormatPNG);
}

void TPNGGraphic::ReadPalette() {
    if (ChunkLength % 3 != 0)
        GraphicErrorFmt(gesInvalidPalette, gesFormatPNG);
    ReadChunkData();
    if (Header.ColorType != 3)
        return;
    SetupColorDepth();
    const uint32_t count = std::min<uint32_t>(ChunkLength / 3, MaxPaletteEntries);
    FilePalette = ColorManager.MakeColorPalette(Chunk().Data(), plTriple8, count, false);
}

// A gray sample of the file's depth as the 8-bit level the bitmap shows for it.
uint8_t TPNGGraphic::GrayLevel(uint16_t value) const {
    switch (Header.BitDepth) {
    case 1:
    case 2:
    case 4: {
        const uint32_t maximum = (1u << Header.BitDepth) - 1;
        return uint8_t((value & maximum) * 255 / maximum);
    }
    case 8:
        return uint8_t(value & 0xFF);
    case 16:
        return uint8_t(value * 255u / 65535u);
    default:
        return 0;
    }
}

namespace {

uint8_t ColorSample(uint16_t value, uint8_t depth) {
    return depth == 16 ? uint8_t(value * 255u / 65535u) : uint8_t(value & 0xFF);
}

} // namespace

// A colour of three 16-bit samples at the start of the chunk, as the bitmap shows it.
TColorRGB TPNGGraphic::RgbSample(const TByteCursor& d) const {
    return {ColorSample(d.U16At(0), Header.BitDepth), ColorSample(d.U16At(2), Header.BitDepth),
            ColorSample(d.U16At(4), Header.BitDepth)};
}

// Gray and indexed backgrounds fill with the gray level or the palette colour they name, so
// that the background of an incomplete image shows the colour the file asks for.
void TPNGGraphic::ReadBackground() {
    ReadChunkData();
    const TByteCursor d = Chunk();
    switch (Header.ColorType) {
    case 2:
    case 6:
        if (d.Has(0, 6))
            BackgroundColor = RgbSample(d);
        break;
    case 0:
    case 4:
        if (d.Has(0, 2)) {
            const uint8_t level = GrayLevel(d.U16At(0));
            BackgroundColor = {level, level, level};
        }
        break;
    case 3:
        if (d.Has(0, 1) && FilePalette && d.U8At(0) < FilePalette->size()) {
            const TPaletteEntry& entry = (*FilePalette)[d.U8At(0)];
            BackgroundColor = {entry.peRed, entry.peGreen, entry.peBlue};
        }
        break;
    default:
        break;
    }
}

// The key is kept as the 8-bit colour the bitmap will hold for it; palette alpha values and
// the alpha of gray-alpha and RGBA images play no part.
void TPNGGraphic::ReadTransparency() {
    ReadChunkData();
    const TByteCursor d = Chunk();
    if (Header.ColorType == 0 && d.Has(0, 2)) {
        const uint8_t level = GrayLevel(d.U16At(0));
        TransparentKey = TColorRGB{level, level, level};
    } else if (Header.ColorType == 2 && d.Has(0, 6)) {
        TransparentKey = RgbSample(d);
    }
}

void TPNGGraphic::DecodeImage() {
    StartTransferring();
    if (!ColorDepthSetUp)
        SetupColorDepth();
    const uint32_t units = Header.BitDepth == 16 ? SourceBPP / 2 : SourceBPP;
    if (!MayAllocatePicture(Header.Width, Header.Height))
        GraphicErrorFmt(gesInvalidImage, gesFormatPNG);
    const uint64_t rowBytes = (uint64_t(Header.Width) * Header.BitDepth + 7) / 8 * units;
    const uint64_t imageBytes = rowBytes * Header.Height;
    if (!StreamHolds(*Stream, (imageBytes + MaxDeflateRatio - 1) / MaxDeflateRatio))
        GraphicErrorFmt(gesInvalidImage, gesFormatPNG);
    if (FilePalette)
        SetPalette(*FilePalette);
    // The transparent colour is the bitmap's to show white; alpha is blended here, but
    // interlaced passes leave holes and would need every alpha of the picture first.
    SizePicture(int32_t(Header.Width), int32_t(Header.Height),
                TransparentKey          ? TTargetRows::Refused
                : Header.Interlace != 1 ? TTargetRows::OverWhite
                                        : TTargetRows::Plain);
    BlendsRows = WritesTarget() && ColorManager.TargetSamples() == 4;
    AlphaSeen = false;
    AlphaRow.assign(BlendsRows ? size_t(Header.Width) * 4 : 0, 0);
    // Plain images overwrite every row they decode, so only the rows the data do not reach
    // need the background; interlaced passes leave holes anywhere until the last one.
    if (Header.Interlace == 1)
        FillRowsFrom(0);
    if (TransparentKey) {
        TColorRGB key = *TransparentKey;
        // Rows and palettes pass through the gamma table, so the key must as well.
        if (ColorManager.TargetFlags() & cfGamma) {
            const auto& table = ColorManager.GammaTable();
            key = {table[key.Red], table[key.Green], table[key.Blue]};
        }
        TransparentColor = key;
        Transparent = true;
    }
    std::vector<uint8_t> current(rowBytes + 1, 0);
    std::vector<uint8_t> previous(rowBytes + 1, 0);
    if (Header.Interlace == 1)
        DecodeInterlacedRows(current, previous);
    else
        FillRowsFrom(DecodeRows(current, previous));
    FinishCompressedData();
    while (IsChunk("IDAT")) {
        ReadChunkData();
        ReadChunkHeader();
    }
    ImageDecoded = true;
}

// Returns the number of rows decoded.
int32_t TPNGGraphic::DecodeRows(std::vector<uint8_t>& current, std::vector<uint8_t>& previous) {
    const uint32_t length = uint32_t(current.size() - 1);
    for (int32_t y = 0; y < Height(); ++y) {
        if (!ReadDecompressed(current.data(), length + 1))
            return y; // the image data ended early
        UnfilterPNGRow(current[0], current.data() + 1, previous.data() + 1, length, SourceBPP);
        StoreRow(y, current.data() + 1);
        std::swap(current, previous);
        RowTransferred(y);
    }
    return Height();
}

void TPNGGraphic::StoreRow(int32_t y, const uint8_t* samples) {
    if (!BlendsRows) {
        ColorManager.ConvertPixels(samples, TargetRow(y), Header.Width);
        return;
    }
    const int32_t width = int32_t(Header.Width);
    ColorManager.ConvertPixels(samples, AlphaRow.data(), Header.Width);
    if (!AlphaSeen && AnyAlpha(AlphaRow.data(), width))
        AlphaSeenAt(y);
    if (AlphaSeen)
        BlendOverWhite(AlphaRow.data(), width, TargetRow(y));
    else
        DropAlpha(AlphaRow.data(), width, TargetRow(y));
}

// The picture has alpha after all: the rows above Y, every alpha of which is 0, show white.
void TPNGGraphic::AlphaSeenAt(int32_t y) {
    if (AlphaSeen)
        return;
    AlphaSeen = true;
    for (int32_t above = 0; above < y; ++above)
        std::memset(TargetRow(above), 255, size_t(Header.Width) * 3);
}

void TPNGGraphic::FillRowsFrom(int32_t firstRow) {
    if (firstRow >= Height())
        return;
    // The background is opaque: a bitmap holding it would blend every row.
    if (BlendsRows)
        AlphaSeenAt(firstRow);
    if (WritesTarget()) {
        const uint8_t bgr[3] = {BackgroundColor.Blue, BackgroundColor.Green, BackgroundColor.Red};
        for (int32_t y = firstRow; y < Height(); ++y) {
            uint8_t* row = TargetRow(y);
            for (uint32_t x = 0; x < Header.Width; ++x)
                std::memcpy(row + size_t(x) * 3, bgr, 3);
        }
        return;
    }
    TBitmap background;
    background.SetPixelFormat(PixelFormat());
    background.SetPalette(Palette());
    background.SetSize(Width(), 1);
    background.Fill(BackgroundColor);
    for (int32_t y = firstRow; y < Height(); ++y)
        std::copy_n(background.ScanLine(0), RowBytes(), ScanLine(y));
}

void TPNGGraphic::DecodeInterlacedRows(std::vector<uint8_t>& current,
                                       std::vector<uint8_t>& previous) {
    const uint32_t units = Header.BitDepth == 16 ? SourceBPP / 2 : SourceBPP;
    for (int pass = 0; pass < 7; ++pass) {
        const TAdam7Pass& p = Adam7[pass];
        if (p.FirstColumn >= Header.Width)
            continue;
        std::fill(previous.begin(), previous.end(), 0);
        const uint64_t columns = (Header.Width + p.ColumnStep - p.FirstColumn - 1) / p.ColumnStep;
        const uint32_t passBytes = uint32_t((columns * Header.BitDepth + 7) / 8 * units + 1);
        for (uint32_t y = p.FirstRow; y < Header.Height; y += p.RowStep) {
            if (!ReadDecompressed(current.data(), passBytes))
                return;
            UnfilterPNGRow(current[0], current.data() + 1, previous.data() + 1, passBytes - 1,
                           SourceBPP);
            ColorManager.ConvertPixels(current.data() + 1, TargetRow(int32_t(y)), Header.Width,
                                       p.Mask);
            std::swap(current, previous);
            if (pass == 6)
                RowTransferred(int32_t(y));
        }
    }
}

uint32_t TPNGGraphic::IDATRemaining() const {
    if (CurrentSource == nullptr)
        return 0;
    return uint32_t(IDATSize - (CurrentSource - RawBuffer.Data()));
}

// Fills DEST with COUNT decompressed bytes, reading IDAT chunks as the decoder needs them.
// False when the image data end before the bytes are complete.
bool TPNGGraphic::ReadDecompressed(uint8_t* dest, uint32_t count) {
    uint8_t* out = dest;
    uint8_t* const end = dest + count;
    for (;;) {
        while (IDATRemaining() == 0 && IsChunk("IDAT")) {
            ReadChunkData();
            CurrentSource = RawBuffer.Data();
            IDATSize = int32_t(ChunkLength);
            ReadChunkHeader();
        }
        if (IDATRemaining() == 0)
            return false;
        Decoder->Decode(CurrentSource, out, int32_t(IDATRemaining()), int32_t(end - out));
        if (Decoder->ZLibResult() == Z_STREAM_END) {
            StreamEnded = true;
            break;
        }
        if (Decoder->ZLibResult() != Z_OK)
            GraphicErrorFmt(gesCompression, gesFormatPNG);
        if (out == end)
            return true;
    }
    if (out != end || IDATRemaining() > 0)
        GraphicErrorFmt(gesExtraCompressedData, gesFormatPNG);
    return true;
}

// The last row may complete before inflate has met the end of the stream; let it read the
// rest of the current chunk so that data after the end of the stream are noticed.
void TPNGGraphic::FinishCompressedData() {
    if (StreamEnded || IDATRemaining() == 0)
        return;
    uint8_t none = 0;
    uint8_t* out = &none;
    Decoder->Decode(CurrentSource, out, int32_t(IDATRemaining()), 0);
    if (Decoder->ZLibResult() == Z_STREAM_END) {
        StreamEnded = true;
        if (IDATRemaining() > 0)
            GraphicErrorFmt(gesExtraCompressedData, gesFormatPNG);
    }
}
