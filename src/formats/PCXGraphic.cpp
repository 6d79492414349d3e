#include "formats/PCXGraphic.h"

#include "codecs/PCXRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <array>

const TGraphicClassInfo TPCXGraphic::ClassInfo = {"TPCXGraphic", CreateGraphic<TPCXGraphic>};

namespace {

constexpr int HeaderSize = 128;
constexpr int VGAPaletteSize = 769; // marker byte 12 and 256 red, green, blue entries
constexpr uint8_t VGAPaletteMarker = 12;
// A run-length byte pair unpacks to at most 63 bytes.
constexpr int64_t MaxRunLengthRatio = 63;
// Writers pad a plane's line to an even length or to a multiple of 4; more is no padding
// but a claim that would make every line, and the buffer of them, larger than the picture.
constexpr int64_t MaxLinePadding = 4;

} // namespace

bool TPCXGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t h[HeaderSize];
    bool result = StreamHolds(stream, HeaderSize + 1) && stream.Read(h, HeaderSize) == HeaderSize;
    // Screen captures (205) are accepted here as they are when loading.
    result = result && (h[0] == 10 || h[0] == 12 || h[0] == 205) &&
             (h[1] == 0 || h[1] == 2 || h[1] == 3 || h[1] == 5) && h[2] <= 1;
    stream.SetPosition(position);
    return result;
}

// The header, read once: it describes the picture and stays for the load.
bool TPCXGraphic::ReadHeader(TStream& stream) {
    Header.reset();
    std::array<uint8_t, HeaderSize> raw;
    const THeader header(ReadBlock(stream, raw, TByteOrder::boLittleEndian));
    if (!header.Check())
        return false;
    Header = header;
    TImageProperties& p = ImageProperties;
    p.Width = header.Width;
    p.Height = header.Height;
    p.SamplesPerPixel = header.Planes;
    p.BitsPerSample = header.BitsPerPixel;
    p.BitsPerPixel = uint8_t(header.Planes * header.BitsPerPixel);
    p.ColorScheme = header.Planes * header.BitsPerPixel > 8 ? psRGB : psIndexed;
    p.Compression = header.Encoding == 1 ? ctRLE : ctNone;
    p.XResolution = header.XResolution;
    p.YResolution = header.YResolution;
    return true;
}

bool TPCXGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    return ReadHeader(stream);
}

void TPCXGraphic::AssignPalette(const THeader& header) {
    switch (PixelFormat()) {
    case TPixelFormat::pf1bit:
        SetPalette(ColorManager.MakeGrayPalette(false));
        return;
    case TPixelFormat::pf4bit:
        if (header.Version == 3)
            SetPalette(DefaultPalette16());
        else if (header.PaletteInfo == 2)
            SetPalette(ColorManager.MakeGrayPalette(false));
        else
            SetPalette(
                ColorManager.MakeColorPalette(header.Palette16.data(), plTriple8, 16, false));
        return;
    case TPixelFormat::pf8bit: {
        if (header.Version == 3) {
            SetPalette(DefaultPalette16());
            return;
        }
        // The palette is the last thing in the file, after the pixel data.
        const int64_t position = Stream->Position();
        uint8_t vga[VGAPaletteSize] = {};
        if (StreamHolds(*Stream, VGAPaletteSize)) {
            Stream->Seek(-VGAPaletteSize, TSeekOrigin::soEnd);
            Stream->ReadBuffer(vga, VGAPaletteSize);
        }
        Stream->SetPosition(position);
        if (vga[0] == VGAPaletteMarker)
            SetPalette(ColorManager.MakeColorPalette(vga + 1, plTriple8, 256, false));
        else if (header.PaletteInfo == 2)
            SetPalette(ColorManager.MakeGrayPalette(false));
        return;
    }
    default:
        return;
    }
}

// All rows at once, unpacked; rows the data do not reach stay zero.
TPictureMemory TPCXGraphic::ReadPixelData(const THeader& header, int64_t lineBytes) {
    const int64_t paletteBytes =
        header.SinglePlane() && header.BitsPerPixel == 8 ? VGAPaletteSize : 0;
    const int64_t imageBytes = lineBytes * header.Height;
    const int64_t ratio = header.Encoding == 1 ? MaxRunLengthRatio : 1;
    if (!StreamHolds(*Stream, uint64_t(paletteBytes + (imageBytes + ratio - 1) / ratio)))
        GraphicErrorFmt(gesInvalidImage, gesFormatPCX);
    const int64_t dataSize = Stream->Remaining() - paletteBytes;
    TPictureMemory image(static_cast<size_t>(imageBytes));
    if (header.Encoding != 1) {
        Stream->ReadBuffer(image.Data(), imageBytes);
        return image;
    }
    // A run byte pair is the most a byte of the picture can take; more data are not read.
    const int64_t packedSize = std::min(dataSize, 2 * imageBytes);
    const TPictureMemory packed(static_cast<size_t>(packedSize));
    Stream->ReadBuffer(packed.Data(), packedSize);
    TPCXRLEDecoder decoder;
    const uint8_t* source = packed.Data();
    uint8_t* dest = image.Data();
    decoder.Decode(source, dest, int32_t(std::min<int64_t>(packedSize, INT32_MAX)),
                   int32_t(imageBytes));
    return image;
}

void TPCXGraphic::ConvertRows(const THeader& header, const uint8_t* data, int64_t lineBytes) {
    const int32_t width = Width();
    const uint32_t planeBytes = header.BytesPerLine;
    for (int32_t y = 0; y < Height(); ++y) {
        const uint8_t* line = data + y * lineBytes;
        uint8_t* target = TargetRow(y);
        if (header.FourPlanes()) {
            // Bit k of a pixel comes from plane k; two pixels per target byte, high nibble first.
            for (int32_t x = 0; x < width; ++x) {
                const int shift = 7 - x % 8;
                uint8_t value = 0;
                for (uint32_t k = 0; k < 4; ++k)
                    value |= uint8_t(((line[k * planeBytes + x / 8] >> shift) & 1) << k);
                uint8_t& pair = target[x / 2];
                pair = x % 2 ? uint8_t((pair & 0xF0) | value) : uint8_t(value << 4);
            }
        } else if (header.ThreePlanes()) {
            // Red, green and blue planes interleave straight into blue-green-red pixels.
            const uint8_t* red = line;
            const uint8_t* green = line + planeBytes;
            const uint8_t* blue = line + 2 * planeBytes;
            for (int32_t x = 0; x < width; ++x) {
                target[3 * x] = blue[x];
                target[3 * x + 1] = green[x];
                target[3 * x + 2] = red[x];
            }
        } else {
            ColorManager.ConvertPixels(line, target, uint32_t(width));
        }
        RowTransferred(y);
    }
}

void TPCXGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    // Not a PCX header: the file cannot be shown, which the viewer must hear about.
    TGraphicReader::ReadImageProperties(stream, 0);
    if (!ReadHeader(stream))
        GraphicErrorFmt(gesInvalidImage, gesFormatPCX);
    StartPreparing();
    const THeader& header = *Header;
    if (!header.SinglePlane() && !header.FourPlanes() && !header.ThreePlanes())
        GraphicErrorFmt(gesInvalidColorFormat, gesFormatPCX);
    const TImageProperties& p = ImageProperties;
    SetupColorManager(p.ColorScheme == psIndexed ? psIndexed : psBGR,
                      p.BitsPerPixel == 2 ? 4 : p.BitsPerSample, header.Planes);
    // Four 1-bit planes have no format of their own: they are merged into 4-bit pixels.
    if (PixelFormat() == TPixelFormat::pfCustom)
        SetPixelFormat(TPixelFormat::pf4bit);
    if (PixelFormat() != TPixelFormat::pf24bit)
        AssignPalette(header);

    // Each plane's line must hold the row's pixels, or rows would be read past their data.
    const int64_t neededPlaneBytes =
        (int64_t(std::max(header.Width, 0)) * header.BitsPerPixel + 7) / 8;
    if (!MayAllocatePicture(header.Width, header.Height) ||
        header.BytesPerLine < neededPlaneBytes ||
        header.BytesPerLine > neededPlaneBytes + MaxLinePadding)
        GraphicErrorFmt(gesInvalidImage, gesFormatPCX);
    SizePicture(header.Width, header.Height);
    const int64_t lineBytes = int64_t(header.Planes) * header.BytesPerLine;
    const TPictureMemory data = ReadPixelData(header, lineBytes);
    StartTransferring();
    ConvertRows(header, data.Data(), lineBytes);
    FinishTransferring();
}
