#include "formats/PSDGraphic.h"

#include "codecs/PackbitsRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "formats/PhotoshopResources.h"
#include "platform/ByteOrder.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

const TGraphicClassInfo TPSDGraphic::ClassInfo = {"TPSDGraphic", CreateGraphic<TPSDGraphic>};

namespace {

constexpr int64_t HeaderSize = 26;
constexpr uint32_t MaxChannels = 56;

enum TPSDMode : uint16_t {
    pmBitmap = 0,
    pmGrayscale = 1,
    pmIndexed = 2,
    pmRGB = 3,
    pmCMYK = 4,
    pmMultichannel = 7,
    pmDuotone = 8,
    pmLab = 9
};

uint16_t BigEndian16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Reads a 32-bit section length; false when the section would run past the end of the file.
bool ReadSectionLength(TStream& stream, uint32_t& length) {
    uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4)
        return false;
    length = BigEndian32(bytes);
    return length <= stream.Remaining();
}

bool SkipSection(TStream& stream) {
    uint32_t length;
    if (!ReadSectionLength(stream, length))
        return false;
    stream.Seek(length, TSeekOrigin::soCurrent);
    return true;
}

[[noreturn]] void TruncatedError() {
    GraphicErrorFmt(gesStreamReadError, gesFormatPSD);
}

// The planes that carry the picture; further channels are extra channels nobody shows.
uint32_t ShownPlanes(TPixelScheme scheme) {
    switch (scheme) {
    case psRGB:
    case psLab:
        return 3;
    case psRGBA:
    case psCMYK:
        return 4;
    default:
        return 1;
    }
}

bool SupportedDepth(TPixelScheme scheme, uint8_t bits) {
    switch (bits) {
    case 1: // bitmap mode; a 1-bit gray document reads the same way
        return scheme == psGray;
    case 8:
        return true;
    case 16:
        return scheme != psIndexed;
    default:
        return false;
    }
}

} // namespace

bool TPSDGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t header[6];
    const bool enough = stream.Remaining() > HeaderSize && stream.Read(header, 6) == 6;
    stream.SetPosition(position);
    if (!enough)
        return false;
    for (int i = 0; i < 4; ++i)
        if (std::toupper(header[i]) != "8BPS"[i])
            return false;
    return BigEndian16(header + 4) == 1;
}

bool TPSDGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    uint8_t header[HeaderSize];
    if (stream.Read(header, HeaderSize) != HeaderSize || std::memcmp(header, "8BPS", 4) != 0)
        return false;
    // Version 2 documents have wider fields throughout; they are not this layout.
    if (BigEndian16(header + 4) != 1)
        return false;
    const uint32_t channels = BigEndian16(header + 12);
    if (channels == 0 || channels > MaxChannels)
        return false;
    TImageProperties& p = ImageProperties;
    p.Options = ioBigEndian;
    p.Height = int32_t(std::min<uint32_t>(BigEndian32(header + 14), INT32_MAX));
    p.Width = int32_t(std::min<uint32_t>(BigEndian32(header + 18), INT32_MAX));
    const uint16_t bits = BigEndian16(header + 22);
    if (bits > 16)
        return false;
    p.BitsPerSample = uint8_t(bits);
    p.Channels = uint8_t(channels);
    p.SamplesPerPixel = uint8_t(std::min<uint32_t>(channels, 4));
    p.BitsPerPixel = uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    switch (BigEndian16(header + 24)) {
    case pmBitmap:
        p.ColorScheme = psGray;
        p.Options |= ioMinIsWhite;
        break;
    case pmGrayscale:
    case pmDuotone:
        p.ColorScheme = psGray;
        break;
    case pmIndexed:
        p.ColorScheme = psIndexed;
        break;
    case pmRGB:
    case pmMultichannel:
        p.ColorScheme = channels == 3 ? psRGB : psRGBA;
        break;
    case pmCMYK:
        p.ColorScheme = psCMYK;
        break;
    case pmLab:
        p.ColorScheme = psLab;
        break;
    default:
        p.ColorScheme = psUnknown;
    }
    // Colour mode data, image resources, layer and mask information.
    for (int section = 0; section < 3; ++section)
        if (!SkipSection(stream))
            return false;
    uint8_t compression[2];
    if (stream.Read(compression, 2) != 2)
        return false;
    p.Compression = BigEndian16(compression) == 1 ? ctPackedBits : ctNone;
    return true;
}

void TPSDGraphic::SetupTarget() {
    const TImageProperties& p = ImageProperties;
    TPixelScheme target = p.ColorScheme;
    uint32_t samples = ShownPlanes(p.ColorScheme);
    TConversionFlags flags = cfSwapBytes;
    switch (p.ColorScheme) {
    case psRGB:
        target = psBGR;
        break;
    case psRGBA:
        target = psBGRA;
        break;
    case psCMYK:
        target = psBGR;
        break;
    case psLab:
        target = psBGR;
        flags |= cfLightness255 | cfChromaOffset128;
        break;
    default:
        break;
    }
    ColorManager.SetSourceBits(p.BitsPerSample);
    ColorManager.SetSourceSamples(samples);
    ColorManager.SetSourceScheme(p.ColorScheme);
    ColorManager.SetSourceFlags(flags);
    ColorManager.SetTargetScheme(target);
    ColorManager.SetTargetBits(p.BitsPerSample == 16 ? 8 : p.BitsPerSample);
    ColorManager.SetTargetSamples(std::min<uint32_t>(samples, 3) + (target == psBGRA ? 1 : 0));
    SetPixelFormat(ColorManager.NativePixelFormat(TargetSide));
}

void TPSDGraphic::MakePalette(const std::vector<uint8_t>& colorModeData) {
    if (ImageProperties.ColorScheme == psIndexed) {
        const uint32_t count = uint32_t(colorModeData.size() / 3);
        if (count == 0)
            GraphicErrorFmt(gesInvalidPalette, gesFormatPSD);
        const uint8_t* red = colorModeData.data();
        const std::array<const void*, 3> planes = {red, red + count, red + 2 * count};
        SetPalette(ColorManager.MakeColorPalette(planes, plPlanar8, count, false));
    } else if (ImageProperties.ColorScheme == psGray) {
        SetPalette(ColorManager.MakeGrayPalette(ImageProperties.Options & ioMinIsWhite));
    }
}

// Uncompressed planes are read whole. PackBits rows stay packed until their row is
// converted, each into a small buffer of its plane, so the picture is never held unpacked
// beside the bitmap.
class TPSDGraphic::TPlaneRows {
public:
    TPlaneRows(TStream& stream, const TImageProperties& properties, uint32_t planes, size_t rowSize)
        : Planes(planes), RowSize(rowSize), Height(size_t(properties.Height)),
          Packed(properties.Compression == ctPackedBits) {
        if (Packed)
            ReadPacked(stream, properties.Channels);
        else
            ReadUncompressed(stream);
    }

    uint32_t PlaneCount() const { return Planes; }

    // Row Y of plane K, which the caller may change in place.
    uint8_t* Row(uint32_t k, size_t y) {
        const size_t row = k * Height + y;
        if (!Packed)
            return Data.Data() + row * RowSize;
        uint8_t* dest = RowBuffers.data() + k * RowSize;
        const uint8_t* source = Data.Data() + Offsets[row];
        // Each row is packed on its own: a damaged row cannot shift the rows after it, and
        // what it lacks stays 0.
        std::memset(dest, 0, RowSize);
        Decoder.Decode(source, dest, int32_t(Offsets[row + 1] - Offsets[row]), int32_t(RowSize));
        return dest;
    }

private:
    void ReadUncompressed(TStream& stream) {
        const size_t size = Planes * RowSize * Height;
        if (int64_t(size) > stream.Remaining())
            TruncatedError();
        Data = TPictureMemory(size);
        stream.ReadBuffer(Data.Data(), int64_t(size));
    }

    void ReadPacked(TStream& stream, uint32_t channels) {
        // One 16-bit byte count per row of every channel, extra channels included.
        const size_t tableEntries = Height * channels;
        if (int64_t(tableEntries * 2) > stream.Remaining())
            TruncatedError();
        std::vector<uint16_t> counts(tableEntries);
        stream.ReadBuffer(counts.data(), int64_t(tableEntries * 2));
        SwapShorts(counts.data(), tableEntries);
        const size_t rows = Planes * Height;
        Offsets.resize(rows + 1);
        for (size_t row = 0; row < rows; ++row)
            Offsets[row + 1] = Offsets[row] + counts[row];
        // A PackBits run yields at most 128 bytes from 2, so a file too short to hold the
        // rows is refused before the bitmap is allocated.
        const size_t packedSize = Offsets[rows];
        if (int64_t(packedSize) > stream.Remaining() ||
            packedSize < rows * 2 * ((RowSize + 127) / 128))
            TruncatedError();
        Data = TPictureMemory(packedSize);
        stream.ReadBuffer(Data.Data(), int64_t(packedSize));
        RowBuffers.resize(Planes * RowSize);
    }

    const uint32_t Planes;
    const size_t RowSize;
    const size_t Height;
    const bool Packed;
    TPictureMemory Data;             // the planes one after the other, or their packed rows
    std::vector<size_t> Offsets;     // packed: where each row starts in Data, and the end
    std::vector<uint8_t> RowBuffers; // packed: one unpacked row per plane
    TPackbitsRLEDecoder Decoder;
};

void TPSDGraphic::TransferRows(TPlaneRows& rows) {
    const bool inverted = ImageProperties.ColorScheme == psCMYK;
    // Every byte of a row, both of a 16-bit sample's included.
    const size_t rowSize = size_t(ImageProperties.Width) * (ImageProperties.BitsPerSample / 8);
    std::array<const void*, 4> sources{};
    for (int32_t y = 0; y < ImageProperties.Height; ++y) {
        for (uint32_t k = 0; k < rows.PlaneCount(); ++k) {
            uint8_t* row = rows.Row(k, size_t(y));
            // The file stores 0 for full ink.
            if (inverted)
                for (size_t x = 0; x < rowSize; ++x)
                    row[x] = uint8_t(255 - row[x]);
            sources[k] = row;
        }
        ColorManager.ConvertPixels(std::span<const void* const>(sources.data(), rows.PlaneCount()),
                                   ScanLine(y), uint32_t(ImageProperties.Width));
        RowTransferred(y);
    }
}

void TPSDGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    const TImageProperties& p = ImageProperties;
    if (!ReadImageProperties(stream, 0) || p.ColorScheme == psUnknown ||
        !MayAllocatePicture(p.Width, p.Height))
        GraphicErrorFmt(gesInvalidImage, gesFormatPSD);
    if (!SupportedDepth(p.ColorScheme, p.BitsPerSample) || p.Channels < ShownPlanes(p.ColorScheme))
        GraphicErrorFmt(gesInvalidColorFormat, gesFormatPSD);

    stream.SetPosition(BasePosition + HeaderSize);
    StartPreparing();
    SetupTarget();
    uint32_t length = 0;
    ReadSectionLength(stream, length);
    std::vector<uint8_t> colorModeData(length);
    stream.ReadBuffer(colorModeData.data(), length);
    MakePalette(colorModeData);
    Metadata = {};
    if (ReadSectionLength(stream, length)) {
        std::vector<uint8_t> resources(length);
        stream.ReadBuffer(resources.data(), length);
        Metadata.IccProfile = PhotoshopIccProfile(resources);
    }
    SkipSection(stream);
    stream.Seek(2, TSeekOrigin::soCurrent);

    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesLoadingData);
    const size_t rowSize =
        p.BitsPerSample == 1 ? (size_t(p.Width) + 7) / 8 : size_t(p.Width) * (p.BitsPerSample / 8);
    TPlaneRows rows(stream, p, ShownPlanes(p.ColorScheme), rowSize);
    SetSize(p.Width, p.Height);
    StartTransferring();
    TransferRows(rows);
    FinishTransferring();
}
