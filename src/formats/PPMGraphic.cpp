#include "formats/PPMGraphic.h"

#include "formats/GraphicStrings.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <cstring>

const TGraphicClassInfo TPPMGraphic::ClassInfo = {"TPPMGraphic", CreateGraphic<TPPMGraphic>};

namespace {

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

// Large enough for any sample, small enough never to overflow.
constexpr uint32_t NumberCeiling = 1000000000;

} // namespace

bool TPPMGraphic::CanLoad(TStream& stream) {
    const int64_t position = stream.Position();
    uint8_t magic[2];
    const bool result = StreamHolds(stream, 11) && stream.Read(magic, 2) == 2 && magic[0] == 'P' &&
                        magic[1] >= '1' && magic[1] <= '6';
    stream.SetPosition(position);
    return result;
}

void TPPMGraphic::FillBuffer() {
    const int64_t read = Stream->Read(ReadBuffer.data(), int64_t(ReadBuffer.size()));
    if (read <= 0)
        GraphicErrorFmt(gesStreamReadError, gesFormatPPM);
    ReadIndex = 0;
    ReadEnd = size_t(read);
}

uint8_t TPPMGraphic::GetChar() {
    if (BufferEmpty())
        FillBuffer();
    return ReadBuffer[ReadIndex++];
}

std::string TPPMGraphic::ReadLine() {
    std::string line;
    for (;;) {
        const uint8_t c = GetChar();
        if (c == '\r') {
            if (PeekChar() == '\n')
                ++ReadIndex;
            break;
        }
        if (c == '\n')
            break;
        line += char(c);
    }
    return line.substr(0, line.find('#'));
}

// The digits end at the first non-digit, which is consumed, or at the end of the file.
uint32_t TPPMGraphic::GetNumber() {
    uint8_t c = GetChar();
    while (!IsDigit(c)) {
        if (c == '#')
            ReadLine();
        c = GetChar();
    }
    uint32_t value = 0;
    while (IsDigit(c)) {
        value = uint32_t(std::min<uint64_t>(uint64_t(value) * 10 + (c - '0'), NumberCeiling));
        if (BufferEmpty() && !StreamHolds(*Stream, 1))
            break;
        c = GetChar();
    }
    return value;
}

// Plain bitmaps may run their pixels together ("0110"): each digit is one pixel.
uint8_t TPPMGraphic::GetBit() {
    uint8_t c = GetChar();
    while (!IsDigit(c)) {
        if (c == '#')
            ReadLine();
        c = GetChar();
    }
    return c & 1;
}

void TPPMGraphic::GetBytes(uint8_t* dest, size_t count) {
    while (count > 0) {
        if (BufferEmpty())
            FillBuffer();
        const size_t n = std::min(count, ReadEnd - ReadIndex);
        std::memcpy(dest, ReadBuffer.data() + ReadIndex, n);
        ReadIndex += n;
        dest += n;
        count -= n;
    }
}

// The digit after the P of the magic line; the rest of that line is discarded.
int TPPMGraphic::ReadVariant() {
    EmptyBuffer();
    const std::string line = ReadLine();
    if (line.empty() || line[0] != 'P')
        return -1;
    return StrToInt(line.substr(1, 1));
}

bool TPPMGraphic::THeader::Check() const {
    return MayAllocatePicture(Width, Height) && MaxValue != 0 && MaxValue <= 65535;
}

// The magic line and the numbers after it, read once; the buffer then holds the first
// pixels. False when the magic is not a P and a digit.
bool TPPMGraphic::ReadHeader(TStream& stream) {
    Stream = &stream;
    Header.reset();
    THeader header;
    header.Variant = ReadVariant();
    if (header.Variant < 0)
        return false;
    if (header.Known()) {
        header.Width = GetNumber();
        header.Height = GetNumber();
        if (!header.Bitmap())
            header.MaxValue = GetNumber();
    }
    Header = header;
    return true;
}

bool TPPMGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex) {
    TGraphicReader::ReadImageProperties(stream, imageIndex);
    TImageProperties& p = ImageProperties;
    p.Compression = ctNone;
    if (!ReadHeader(stream))
        return false;
    const THeader& header = *Header;
    if (!header.Known())
        return true;
    p.Width = int32_t(header.Width);
    p.Height = int32_t(header.Height);
    p.BitsPerSample = header.Bitmap() ? 1 : 8;
    p.SamplesPerPixel = header.Pixmap() ? 3 : 1;
    p.ColorScheme = header.Pixmap() ? psRGB : psIndexed;
    p.BitsPerPixel = uint8_t(p.SamplesPerPixel * p.BitsPerSample);
    return true;
}

// A sample v becomes v * 255 / maxValue, rounded; values above the maximum count as it.
void TPPMGraphic::MakeLevels(uint32_t maxValue, bool wide) {
    Levels.clear();
    if (maxValue == 255)
        return;
    Levels.resize(wide ? 65536 : 256, 255);
    for (uint32_t v = 0; v < maxValue && v < Levels.size(); ++v)
        Levels[v] = uint8_t((v * 255 + maxValue / 2) / maxValue);
}

uint8_t TPPMGraphic::Level(uint32_t sample) const {
    if (Levels.empty())
        return uint8_t(std::min<uint32_t>(sample, 255));
    return Levels[std::min<size_t>(sample, Levels.size() - 1)];
}

// Samples of files whose maximum value exceeds 255 take two bytes in the binary variants.
uint8_t TPPMGraphic::GetSample(bool ascii, bool wide) {
    if (ascii)
        return Level(GetNumber());
    if (!wide)
        return Level(GetChar());
    const uint32_t high = GetChar();
    return Level(high << 8 | GetChar());
}

void TPPMGraphic::ReadBitmapRows(bool ascii) {
    const int32_t width = Width();
    const size_t rowBytes = (size_t(width) + 7) / 8;
    for (int32_t y = 0; y < Height(); ++y) {
        uint8_t* row = TargetRow(y);
        if (!ascii) {
            GetBytes(row, rowBytes);
        } else {
            uint32_t accumulator = 0;
            for (int32_t x = 0; x < width; ++x) {
                accumulator = accumulator << 1 | GetBit();
                if (x % 8 == 7)
                    row[x / 8] = uint8_t(accumulator), accumulator = 0;
            }
            if (width % 8)
                row[width / 8] = uint8_t(accumulator << (8 - width % 8));
        }
        RowTransferred(y);
    }
}

void TPPMGraphic::ReadGraymapRows(bool ascii, bool wide) {
    for (int32_t y = 0; y < Height(); ++y) {
        uint8_t* row = TargetRow(y);
        if (!ascii && !wide) {
            GetBytes(row, size_t(Width()));
            if (!Levels.empty())
                for (int32_t x = 0; x < Width(); ++x)
                    row[x] = Levels[row[x]];
        } else
            for (int32_t x = 0; x < Width(); ++x)
                row[x] = GetSample(ascii, wide);
        RowTransferred(y);
    }
}

void TPPMGraphic::ReadPixmapRows(bool ascii, bool wide) {
    std::vector<uint8_t> rgb(size_t(Width()) * 3);
    for (int32_t y = 0; y < Height(); ++y) {
        uint8_t* row = TargetRow(y);
        if (!ascii && !wide) {
            GetBytes(rgb.data(), rgb.size());
            if (!Levels.empty())
                for (uint8_t& sample : rgb)
                    sample = Levels[sample];
            for (size_t i = 0; i < rgb.size(); i += 3) {
                row[i] = rgb[i + 2];
                row[i + 1] = rgb[i + 1];
                row[i + 2] = rgb[i];
            }
        } else {
            for (int32_t x = 0; x < Width(); ++x) {
                row[3 * x + 2] = GetSample(ascii, wide);
                row[3 * x + 1] = GetSample(ascii, wide);
                row[3 * x] = GetSample(ascii, wide);
            }
        }
        RowTransferred(y);
    }
}

// Bitmaps and graymaps are stored as their indices into a gray palette, pixmaps as
// blue-green-red pixels.
void TPPMGraphic::SetupTarget(const THeader& header) {
    if (header.Bitmap()) {
        SetupColorManager({psIndexed, 1, 1}, psIndexed, 1, 1);
        SetPalette(ColorManager.MakeGrayPalette(true));
    } else if (!header.Pixmap()) {
        SetupColorManager({psIndexed, 8, 1}, psIndexed, 8, 1);
        SetPalette(ColorManager.MakeGrayPalette(false));
    } else {
        SetupColorManager({psRGB, 8, 3}, psBGR, 8, 3);
    }
}

void TPPMGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    if (!ReadImageProperties(stream, 0))
        GraphicErrorFmt(gesInvalidImage, gesFormatPBMPGMPPM);
    ProgressRect = {0, 0, ImageProperties.Width, 1};
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesTransfering);
    const THeader& header = *Header;
    if (header.Known()) {
        if (!header.Check())
            GraphicErrorFmt(gesInvalidImage, gesFormatPBMPGMPPM);
        const bool ascii = header.Ascii();
        const bool wide = header.Wide();
        MakeLevels(header.MaxValue, wide);
        // Every pixel takes at least one byte (ASCII) or its share of a byte (binary): a file
        // too short for its size is refused before the picture is allocated.
        const int64_t sampleBytes = (header.Pixmap() ? 3 : 1) * (wide ? 2 : 1);
        const int64_t minimum =
            header.Bitmap() && !ascii
                ? (int64_t(header.Width) + 7) / 8 * header.Height
                : int64_t(header.Width) * header.Height * (ascii ? 1 : sampleBytes);
        const int64_t buffered = int64_t(ReadEnd - ReadIndex);
        if (minimum > buffered && !StreamHolds(stream, uint64_t(minimum - buffered)))
            GraphicErrorFmt(gesStreamReadError, gesFormatPPM);
        SetupTarget(header);
        SizePicture(int32_t(header.Width), int32_t(header.Height));
        if (header.Bitmap())
            ReadBitmapRows(ascii);
        else if (!header.Pixmap())
            ReadGraymapRows(ascii, wide);
        else
            ReadPixmapRows(ascii, wide);
    }
    FinishTransferring();
}
