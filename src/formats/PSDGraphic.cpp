#include "formats/PSDGraphic.h"

#include "codecs/PackbitsRLEDecoder.h"
#include "formats/GraphicStrings.h"
#include "formats/PhotoshopResources.h"
#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

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

[[noreturn]] void TruncatedError() {
    GraphicErrorFmt(gesStreamReadError, gesFormatPSD);
}

// Reads a 32-bit section length; false when the section would run past the end of the file.
bool ReadSectionLength(TStream& stream, uint32_t& length) {
    if (!StreamHolds(stream, 4))
        return false;
    std::array<uint8_t, 4> bytes;
    length = ReadBlock(stream, bytes, TByteOrder::boBigEndian).U32();
    return StreamHolds(stream, length);
}

// The section's bytes when Keep is set, else nothing; false when the file cannot hold it.
bool ReadSection(TStream& stream, bool keep, std::vector<uint8_t>& contents) {
    uint32_t length;
    if (!ReadSectionLength(stream, length))
        return false;
    contents.clear();
    if (!keep) {
        stream.Seek(length, TSeekOrigin::soCurrent);
        return true;
    }
    contents.resize(length);
    stream.ReadBuffer(contents.data(), length);
    return true;
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
    std::array<uint8_t, 6> raw;
    const bool enough = StreamHolds(stream, HeaderSize + 1);
    const TByteCursor header =
        enough ? ReadBlock(stream, raw, TByteOrder::boBigEndian) : TByteCursor();
    stream.SetPosition(position);
    if (!enough)
        return false;
    for (int i = 0; i < 4; ++i)
        if (std::toupper(header.U8At(i)) != "8BPS"[i])
            return false;
    return header.U16At(4) == 1;
}

TPSDGraphic::THeader TPSDGraphic::ParseHeader(TByteCursor header) {
    THeader h;
    header.Read(h.Signature, 4);
    h.Version = header.U16();
    header.Skip(6); // reserved
    h.Channels = header.U16();
    h.Height = header.U32();
    h.Width = header.U32();
    h.Depth = header.U16();
    h.Mode = header.U16();
    return h;
}

// Version 2 documents have wider fields throughout; they are not this layout.
bool TPSDGraphic::THeader::Check() const {
    return std::memcmp(Signature, "8BPS", 4) == 0 && Version == 1 && Channels != 0 &&
           Channels <= MaxChannels && Depth <= 16;
}

void TPSDGraphic::DescribeHeader(const THeader& header) {
    TImageProperties& p = ImageProperties;
    p.Options = ioBigEndian;
    p.Height = int32_t(std::min<uint32_t>(header.Height, INT32_MAX));
    p.Width = int32_t(std::min<uint32_t>(header.Width, INT32_MAX));
    p.BitsPerSample = uint8_t(header.Depth);
    p.SamplesPerPixel = uint8_t(std::min<uint32_t>(header.Channels, 4));
    p.BitsPerPixel = uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    switch (header.Mode) {
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
        p.ColorScheme = header.Channels == 3 ? psRGB : psRGBA;
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
}

// The header, then the colour mode data, the image resources and the layer and mask
// information, then the compression of the merged image: read once, in order, leaving the
// stream at the image data. The first two sections are kept when KeepSections is set.
bool TPSDGraphic::ReadHeaderAndSections(TStream& stream, bool keepSections) {
    Header.reset();
    if (!StreamHolds(stream, HeaderSize))
        return false;
    std::array<uint8_t, HeaderSize> raw;
    const THeader header = ParseHeader(ReadBlock(stream, raw, TByteOrder::boBigEndian));
    if (!header.Check())
        return false;
    Header = header;
    DescribeHeader(header);
    std::vector<uint8_t> layers;
    if (!ReadSection(stream, keepSections, ColorModeData) ||
        !ReadSection(stream, keepSections, Resources) || !ReadSection(stream, false, layers))
        return false;
    if (!StreamHolds(stream, 2))
        return false;
    std::array<uint8_t, 2> compression;
    ImageProperties.Compression =
        ReadBlock(stream, compression, TByteOrder::boBigEndian).U16() == 1 ? ctPackedBits : ctNone;
    return true;
}

bool TPSDGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    return ReadHeaderAndSections(stream, false);
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
    // Only the planes that carry the picture are handed over, not every channel.
    SetupColorManager({p.ColorScheme, p.BitsPerSample, uint8_t(samples), flags}, target,
                      p.BitsPerSample == 16 ? 8 : p.BitsPerSample,
                      uint8_t(std::min<uint32_t>(samples, 3) + (target == psBGRA ? 1 : 0)));
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
    TPlaneRows(TStream& stream, const TImageProperties& properties, uint32_t channels,
               uint32_t planes, size_t rowSize)
        : Planes(planes), RowSize(rowSize), Height(size_t(properties.Height)),
          Packed(properties.Compression == ctPackedBits) {
        if (Packed)
            ReadPacked(stream, channels);
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
        ReadBlock(stream, Planes * RowSize * Height, Data, TByteOrder::boBigEndian, TruncatedError);
    }

    void ReadPacked(TStream& stream, uint32_t channels) {
        // One 16-bit byte count per row of every channel, extra channels included.
        const size_t tableEntries = Height * channels;
        TByteCursor counts =
            ReadBlock(stream, tableEntries * 2, Data, TByteOrder::boBigEndian, TruncatedError);
        const size_t rows = Planes * Height;
        Offsets.resize(rows + 1);
        for (size_t row = 0; row < rows; ++row)
            Offsets[row + 1] = Offsets[row] + counts.U16();
        // A PackBits run yields at most 128 bytes from 2, so a file too short to hold the
        // rows is refused before the bitmap is allocated.
        const size_t packedSize = Offsets[rows];
        if (packedSize < rows * 2 * ((RowSize + 127) / 128))
            TruncatedError();
        Data.Reset();
        ReadBlock(stream, packedSize, Data, TByteOrder::boBigEndian, TruncatedError);
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
                                   TargetRow(y), uint32_t(ImageProperties.Width));
        RowTransferred(y);
    }
}

void TPSDGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    const TImageProperties& p = ImageProperties;
    TGraphicReader::ReadImageProperties(stream, 0);
    if (!ReadHeaderAndSections(stream, true) || p.ColorScheme == psUnknown ||
        !MayAllocatePicture(p.Width, p.Height))
        GraphicErrorFmt(gesInvalidImage, gesFormatPSD);
    if (!SupportedDepth(p.ColorScheme, p.BitsPerSample) ||
        Header->Channels < ShownPlanes(p.ColorScheme))
        GraphicErrorFmt(gesInvalidColorFormat, gesFormatPSD);

    StartPreparing();
    SetupTarget();
    MakePalette(ColorModeData);
    Metadata = {};
    Metadata.IccProfile = PhotoshopIccProfile(Resources);
    ColorModeData = {};
    Resources = {};

    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesLoadingData);
    const size_t rowSize =
        p.BitsPerSample == 1 ? (size_t(p.Width) + 7) / 8 : size_t(p.Width) * (p.BitsPerSample / 8);
    TPlaneRows rows(stream, p, Header->Channels, ShownPlanes(p.ColorScheme), rowSize);
    SizePicture(p.Width, p.Height);
    StartTransferring();
    TransferRows(rows);
    FinishTransferring();
}
