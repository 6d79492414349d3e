#include "formats/GIFGraphic.h"

#include "codecs/GIFLZWDecoder.h"
#include "formats/GraphicStrings.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

const TGraphicClassInfo TGIFGraphic::ClassInfo = {"TGIFGraphic", CreateGraphic<TGIFGraphic>};

namespace {

constexpr uint8_t ImageIntroducer = 0x2C;
constexpr uint8_t Trailer = 0x3B;
constexpr uint8_t ExtensionIntroducer = 0x21;
constexpr uint8_t PlainTextLabel = 0x01;
constexpr uint8_t GraphicControlLabel = 0xF9;
constexpr uint8_t CommentLabel = 0xFE;
constexpr uint8_t ApplicationLabel = 0xFF;
// An LZW code of at most 12 bits stands for at most 4096 pixels: data that would have to
// pack more tightly cannot fill the picture they claim.
constexpr int64_t MaxLZWPixelsPerByte = 4096 * 8 / 12 + 1;

bool IsGIFSignature(const uint8_t* signature) {
    return std::toupper(signature[0]) == 'G' && std::toupper(signature[1]) == 'I' &&
           std::toupper(signature[2]) == 'F';
}

} // namespace

bool TGIFGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t signature[3];
    const bool result =
        StreamHolds(stream, 23) && stream.Read(signature, 3) == 3 && IsGIFSignature(signature);
    stream.SetPosition(position);
    return result;
}

uint8_t TGIFGraphic::ReadByte() {
    uint8_t value;
    Stream->ReadBuffer(&value, 1);
    return value;
}

void TGIFGraphic::SkipSubBlocks() {
    while (const uint8_t length = ReadByte())
        Stream->Seek(length, TSeekOrigin::soCurrent);
}

uint8_t TGIFGraphic::SkipToImageOrTrailer() {
    for (;;) {
        const uint8_t introducer = ReadByte();
        if (introducer == ImageIntroducer || introducer == Trailer)
            return introducer;
        if (introducer != ExtensionIntroducer)
            continue;
        switch (ReadByte()) {
        case PlainTextLabel:
            Stream->Seek(ReadByte(), TSeekOrigin::soCurrent);
            SkipSubBlocks();
            break;
        case GraphicControlLabel:
            Stream->Seek(ReadByte() + 1, TSeekOrigin::soCurrent);
            break;
        case CommentLabel:
        case ApplicationLabel:
            SkipSubBlocks();
            break;
        default:
            break; // an unknown label is passed over like any stray byte
        }
    }
}

TGIFGraphic::TDescriptor TGIFGraphic::ReadScreenDescriptor(TStream& stream) {
    std::array<uint8_t, 7> raw;
    TByteCursor d = ReadBlock(stream, raw, TByteOrder::boLittleEndian);
    return {d.U16(), d.U16(), d.U8()};
}

TGIFGraphic::TDescriptor TGIFGraphic::ReadImageDescriptor(TStream& stream) {
    std::array<uint8_t, 9> raw;
    TByteCursor d = ReadBlock(stream, raw, TByteOrder::boLittleEndian);
    d.Skip(4);
    return {d.U16(), d.U16(), d.U8()};
}

bool TGIFGraphic::THeader::Check() const {
    return IsGIFSignature(Signature);
}

uint32_t TGIFGraphic::THeader::Version() const {
    return uint32_t(StrToInt(std::string_view(reinterpret_cast<const char*>(Signature + 3), 2)));
}

// The signature and the logical screen, read once and checked before anything else is read.
bool TGIFGraphic::ReadHeader(TStream& stream) {
    Stream = &stream;
    Header.reset();
    THeader header;
    if (stream.Read(header.Signature, sizeof header.Signature) != sizeof header.Signature ||
        !header.Check())
        return false;
    TImageProperties& p = ImageProperties;
    p.Version = header.Version();
    p.ColorScheme = psIndexed;
    p.SamplesPerPixel = 1;
    p.BitsPerSample = 8;
    p.Compression = ctLZW;
    header.Screen = ReadScreenDescriptor(stream);
    if (header.Screen.HasColorTable())
        p.BitsPerSample = uint8_t((header.Screen.Flags & 7) + 1);
    p.BitsPerPixel = p.BitsPerSample;
    Header = header;
    return true;
}

// The first image, once its descriptor is read; a file without one keeps a size of 0.
void TGIFGraphic::DescribeImage(const TDescriptor& image) {
    TImageProperties& p = ImageProperties;
    p.Width = image.Width ? image.Width : Header->Screen.Width;
    p.Height = image.Height ? image.Height : Header->Screen.Height;
    if (image.HasColorTable())
        p.BitsPerSample = uint8_t((image.Flags & 7) + 1);
    p.BitsPerPixel = p.BitsPerSample;
}

bool TGIFGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    if (!ReadHeader(stream))
        return false;
    if (Header->Screen.HasColorTable())
        stream.Seek(3 * Header->Screen.ColorTableEntries(), TSeekOrigin::soCurrent);
    if (SkipToImageOrTrailer() == ImageIntroducer)
        DescribeImage(ReadImageDescriptor(stream));
    return true;
}

TLogPalette TGIFGraphic::ReadColorTable(uint32_t entries) {
    std::array<uint8_t, 3 * 256> storage;
    TByteCursor table =
        ReadBlock(*Stream, std::span(storage).first(3 * entries), TByteOrder::boLittleEndian);
    TLogPalette palette(entries);
    for (TPaletteEntry& entry : palette) {
        entry.peRed = table.U8();
        entry.peGreen = table.U8();
        entry.peBlue = table.U8();
    }
    return palette;
}

// The data sub-blocks joined; a stream that ends early gives what it holds.
TPictureMemory TGIFGraphic::ReadImageData() {
    const int64_t start = Stream->Position();
    int64_t total = 0;
    uint8_t length = 0;
    while (Stream->Read(&length, 1) == 1 && length != 0)
        total += int64_t(SkipAvailable(*Stream, length));
    TPictureMemory data(static_cast<size_t>(total));
    Stream->SetPosition(start);
    int64_t filled = 0;
    while (filled < total && Stream->Read(&length, 1) == 1 && length != 0)
        filled += Stream->Read(data.Data() + filled, std::min<int64_t>(length, total - filled));
    return data;
}

void TGIFGraphic::CopyRows(const uint8_t* pixels, bool interlaced) {
    const int32_t width = Width();
    const int32_t height = Height();
    if (!interlaced) {
        for (int32_t y = 0; y < height; ++y) {
            std::copy_n(pixels + int64_t(y) * width, width, ScanLine(y));
            RowTransferred(y);
        }
        return;
    }
    constexpr int32_t firstRows[4] = {0, 4, 2, 1};
    constexpr int32_t rowSteps[4] = {8, 8, 4, 2};
    const uint8_t* source = pixels;
    for (int pass = 0; pass < 4; ++pass) {
        for (int32_t y = firstRows[pass]; y < height; y += rowSteps[pass]) {
            std::copy_n(source, width, ScanLine(y));
            source += width;
            if (pass == 3)
                RowTransferred(y);
        }
    }
}

void TGIFGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    TGraphicReader::ReadImageProperties(stream, 0);
    if (!ReadHeader(stream))
        GraphicErrorFmt(gesInvalidImage, gesFormatGIF);
    StartPreparing();
    // The decoder yields one byte an index, whatever the table's depth: rows go as they are.
    SetupColorManager({psIndexed, 8, 1}, psIndexed, 8, 1);
    if (Header->Screen.HasColorTable())
        SetPalette(ReadColorTable(Header->Screen.ColorTableEntries()));
    const uint8_t block = SkipToImageOrTrailer();
    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    if (block == Trailer)
        return;

    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesLoadingData);
    const TDescriptor image = ReadImageDescriptor(stream);
    DescribeImage(image);
    const int32_t width = ImageProperties.Width;
    const int32_t height = ImageProperties.Height;
    if (!MayAllocatePicture(width, height))
        GraphicErrorFmt(gesInvalidImage, gesFormatGIF);
    if (image.HasColorTable())
        SetPalette(ReadColorTable(image.ColorTableEntries()));
    const uint8_t codeSize = ReadByte();
    // Nothing is sized before the data are seen: a few bytes claiming a huge picture cost
    // no more than they are.
    const TPictureMemory data = ReadImageData();
    const int64_t pixelCount = int64_t(width) * height;
    if (int64_t(data.Size()) * MaxLZWPixelsPerByte < pixelCount)
        GraphicErrorFmt(gesInvalidImage, gesFormatGIF);
    SetSize(width, height);
    const TPictureMemory pixels(size_t(width) * (size_t(height) + 1));
    TGIFLZWDecoder decoder(codeSize);
    const uint8_t* source = data.Data();
    uint8_t* dest = pixels.Data();
    decoder.Decode(source, dest, int32_t(std::min<int64_t>(int64_t(data.Size()), INT32_MAX)),
                   int32_t(pixelCount));
    StartTransferring();
    CopyRows(pixels.Data(), image.Interlaced());
    FinishTransferring();
}
