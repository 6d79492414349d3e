#include "formats/TargaGraphic.h"

#include "codecs/TargaRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "platform/ByteOrder.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <array>
#include <cstring>

const TGraphicClassInfo TTargaGraphic::ClassInfo = {"TTargaGraphic", CreateGraphic<TTargaGraphic>};

namespace {

constexpr int HeaderSize = 18;
constexpr uint8_t TopDownBit = 0x20;

TTargaGraphic::THeader ParseHeader(const TByteCursor& h) {
    return {h.U8At(0), h.U8At(1),   h.U8At(2),   h.U16At(3), h.U16At(5),
            h.U8At(7), h.U16At(12), h.U16At(14), h.U8At(16), h.U8At(17)};
}

TTargaGraphic::THeader ReadTargaHeader(TStream& stream) {
    std::array<uint8_t, HeaderSize> raw;
    return ParseHeader(ReadBlock(stream, raw, TByteOrder::boLittleEndian));
}

// Colour-map entries take whole bytes: 15-bit entries are stored in two.
int64_t ColorMapBytes(uint16_t length, uint8_t entrySize) {
    return int64_t(length) * ((entrySize + 7) / 8);
}

TPaletteEntry Entry555(uint16_t w) {
    return {uint8_t((w & 0x7C00) >> 7), uint8_t((w & 0x3E0) >> 2), uint8_t((w & 0x1F) << 3), 0};
}

void PutLittleEndian16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Rows stored right to left are turned round in place.
void MirrorRow(uint8_t* row, int32_t width, int bytesPerPixel) {
    for (int32_t left = 0, right = width - 1; left < right; ++left, --right)
        std::swap_ranges(row + left * bytesPerPixel, row + (left + 1) * bytesPerPixel,
                         row + right * bytesPerPixel);
}

void Describe(const TTargaGraphic::THeader& header, TImageProperties& p) {
    p.Width = header.Width;
    p.Height = header.Height;
    p.BitsPerSample = 8;
    switch (header.Depth) {
    case 8:
        p.ColorScheme = header.IsGray() ? psGray : psIndexed;
        p.SamplesPerPixel = 1;
        break;
    case 15:
    case 16:
        p.ColorScheme = psRGB;
        p.BitsPerSample = 5;
        p.SamplesPerPixel = 3;
        break;
    case 24:
        p.ColorScheme = psRGB;
        p.SamplesPerPixel = 3;
        break;
    case 32:
        p.ColorScheme = psRGBA;
        p.SamplesPerPixel = 4;
        break;
    default:
        p.ColorScheme = psUnknown;
        p.SamplesPerPixel = 0;
        break;
    }
    p.BitsPerPixel = uint8_t(p.SamplesPerPixel * p.BitsPerSample);
    p.Compression = header.IsRunLength() ? ctRLE : ctNone;
}

} // namespace

// The image and map types and the depths that a Targa file can have.
bool TTargaGraphic::THeader::Check() const {
    const uint8_t entry = ColorMapEntrySize;
    return (ImageType <= 3 || IsRunLength()) && ColorMapType <= 1 &&
           (entry == 15 || entry == 16 || entry == 24 || entry == 32) &&
           (Depth == 8 || Depth == 15 || Depth == 16 || Depth == 24 || Depth == 32);
}

bool TTargaGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    const bool result = StreamHolds(stream, HeaderSize + 1) && ReadTargaHeader(stream).Check();
    stream.SetPosition(position);
    return result;
}

// Read once; a header that fails the check still loads as far as its values allow.
void TTargaGraphic::ReadHeader(TStream& stream) {
    Header.reset();
    Header = ReadTargaHeader(stream);
    Describe(*Header, ImageProperties);
}

bool TTargaGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    ReadHeader(stream);
    return true;
}

// Entries land at their stored index (the map's first index onwards), as pixels refer to them.
void TTargaGraphic::ReadColorMap(uint16_t firstIndex, uint16_t length, uint8_t entrySize) {
    std::vector<uint8_t> storage(size_t(ColorMapBytes(length, entrySize)));
    const TByteCursor map = ReadBlock(*Stream, storage, TByteOrder::boLittleEndian);
    if (firstIndex >= MaxPaletteEntries)
        return;
    const uint32_t count = std::min<uint32_t>(length, MaxPaletteEntries - firstIndex);
    TLogPalette palette(firstIndex);
    if (entrySize == 24 || entrySize == 32) {
        const TLogPalette entries = ColorManager.MakeColorPalette(
            map.Data(), entrySize == 24 ? plTriple8 : plQuad8, count, true);
        palette.insert(palette.end(), entries.begin(), entries.end());
    } else if (entrySize == 15 || entrySize == 16) {
        for (uint32_t i = 0; i < count; ++i)
            palette.push_back(Entry555(map.U16At(2 * i)));
    }
    SetPalette(palette);
}

void TTargaGraphic::ReadRawRows(int64_t rowSize) {
    const int32_t height = Height();
    for (int32_t i = 0; i < height; ++i) {
        uint8_t* row = TargetRow(Header->TopDown() ? i : height - 1 - i);
        Stream->ReadBuffer(row, rowSize);
        if (Header->RightToLeft())
            MirrorRow(row, Width(), Header->BytesPerPixel());
        RowTransferred(i);
    }
}

// Each row decodes from up to twice its size of input; the stream then goes back by what the
// row did not consume, so packets never carry over from one row to the next.
// A row that finds no data left at all means the file was cut short: the rows decoded so far
// stay, and the load ends in the stream error.
void TTargaGraphic::ReadRunLengthRows(int64_t rowSize) {
    TTargaRLEDecoder decoder(Header->Depth);
    std::vector<uint8_t> buffer(size_t(2 * rowSize));
    const int32_t height = Height();
    for (int32_t i = 0; i < height; ++i) {
        const int64_t read = Stream->Read(buffer.data(), int64_t(buffer.size()));
        if (read == 0)
            GraphicErrorFmt(gesStreamReadError, gesFormatTarga);
        const uint8_t* source = buffer.data();
        uint8_t* row = TargetRow(Header->TopDown() ? i : height - 1 - i);
        // What the packets do not reach stays black, as in a fresh bitmap.
        if (WritesTarget())
            std::memset(row, 0, size_t(rowSize));
        uint8_t* dest = row;
        decoder.Decode(source, dest, int32_t(read), Width());
        Stream->Seek(-(read - (source - buffer.data())), TSeekOrigin::soCurrent);
        if (Header->RightToLeft())
            MirrorRow(row, Width(), Header->BytesPerPixel());
        RowTransferred(i);
    }
}

void TTargaGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    TGraphicReader::ReadImageProperties(stream, 0);
    ReadHeader(stream);
    const THeader& header = *Header;
    StartPreparing();
    stream.Seek(header.IDLength, TSeekOrigin::soCurrent);
    const TImageProperties& p = ImageProperties;
    SetupColorManager(psBGR, p.BitsPerSample, p.SamplesPerPixel);

    if (header.IsGray()) {
        SetPalette(ColorManager.MakeGrayPalette(false));
        // A colour map of a gray image is not used, but the pixels follow it.
        if (header.ColorMapType == 1)
            stream.Seek(ColorMapBytes(header.ColorMapLength, header.ColorMapEntrySize),
                        TSeekOrigin::soCurrent);
    } else if (header.ColorMapType == 1) {
        ReadColorMap(header.ColorMapFirst, header.ColorMapLength, header.ColorMapEntrySize);
    }

    const int64_t rowSize = int64_t(header.Width) * header.BytesPerPixel();
    // The rows must fit in memory and, packed at the best possible rate (128 pixels per
    // packet, or one byte per byte uncompressed), in what the file still holds. A type
    // without rows is held to the best rate too: a few bytes cannot claim a huge blank picture.
    const int64_t pixels = int64_t(header.Width) * header.Height;
    const bool packed = header.IsRunLength() || !header.HasRows();
    const int64_t minimumData = packed ? pixels / 128 : rowSize * header.Height;
    if (!MayAllocatePicture(header.Width, header.Height) ||
        !StreamHolds(stream, uint64_t(minimumData)))
        GraphicErrorFmt(gesInvalidImage, gesFormatTarga);
    SizePicture(header.Width, header.Height);
    StartTransferring();
    if (header.IsRunLength())
        ReadRunLengthRows(rowSize);
    else if (header.HasRows())
        ReadRawRows(rowSize);
    else
        BlankRows(0, header.Height);
    FinishTransferring();
}

void TTargaGraphic::SaveToStream(TStream& stream) {
    ProgressRect = {0, 0, Width(), 1};
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesPreparing);
    int bytesPerPixel = 0;
    switch (PixelFormat()) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
        bytesPerPixel = 1;
        break;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        bytesPerPixel = 2;
        break;
    case TPixelFormat::pf32bit:
        bytesPerPixel = 4;
        break;
    default:
        bytesPerPixel = 3;
        break; // 24 bits, and the display's depth for the others
    }
    if (Empty())
        return;

    uint8_t h[HeaderSize] = {};
    h[1] = bytesPerPixel == 1 ? 1 : 0;
    h[2] = bytesPerPixel == 1 ? 9 : 10;
    PutLittleEndian16(h + 5, 256);
    h[7] = 24;
    PutLittleEndian16(h + 12, uint32_t(Width()));
    PutLittleEndian16(h + 14, uint32_t(Height()));
    h[16] = uint8_t(8 * bytesPerPixel);
    h[17] = TopDownBit; // rows go out top row first
    stream.WriteBuffer(h, HeaderSize);
    if (bytesPerPixel == 1) {
        uint8_t map[256 * 3] = {};
        const TLogPalette& palette = Palette();
        for (size_t i = 0; i < palette.size() && i < 256; ++i) {
            map[3 * i] = palette[i].peBlue;
            map[3 * i + 1] = palette[i].peGreen;
            map[3 * i + 2] = palette[i].peRed;
        }
        stream.WriteBuffer(map, sizeof map);
    }
    StartTransferring();
    WriteRows(stream, bytesPerPixel);
    FinishTransferring();
}

// Rows go out as the file stores them: indices one byte each, 16-bit pixels as 5-5-5.
void TTargaGraphic::WriteRows(TStream& stream, int bytesPerPixel) {
    const int32_t width = Width();
    const TPixelFormat format = PixelFormat();
    TTargaRLEDecoder encoder(uint32_t(8 * bytesPerPixel));
    std::vector<uint8_t> row(size_t(width) * bytesPerPixel);
    std::vector<uint8_t> packed(2 * row.size() + 2);
    for (int32_t y = 0; y < Height(); ++y) {
        const uint8_t* line = ScanLine(y);
        const uint8_t* source = line;
        if (format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit) {
            const bool oneBit = format == TPixelFormat::pf1bit;
            for (int32_t x = 0; x < width; ++x)
                row[x] = oneBit ? (line[x / 8] >> (7 - x % 8)) & 1
                                : (x % 2 ? line[x / 2] & 0x0F : line[x / 2] >> 4);
            source = row.data();
        } else if (format == TPixelFormat::pf16bit) {
            for (int32_t x = 0; x < width; ++x) {
                const uint16_t w = LoadLE16(line + 2 * x);
                PutLittleEndian16(&row[2 * x], uint32_t((w & 0xFFC0) >> 1 | (w & 0x1F)));
            }
            source = row.data();
        }
        uint32_t stored = 0;
        encoder.Encode(source, packed.data(), uint32_t(width), stored);
        stream.WriteBuffer(packed.data(), stored);
        RowTransferred(y);
    }
}
