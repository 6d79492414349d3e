#include "formats/EPSGraphic.h"

#include "formats/GraphicStrings.h"
#include "platform/ByteCursor.h"
#include "platform/StreamBlocks.h"

#include <algorithm>

const TGraphicClassInfo TEPSGraphic::ClassInfo = {"TEPSGraphic", CreateGraphic<TEPSGraphic>};

namespace {

constexpr uint64_t HeaderSize = 30;
constexpr uint32_t EPSSignature = 0xC6D3D0C5;

// Only the signature and the TIFF section are of use to a viewer.
struct TEPSHeader {
    uint32_t Signature = 0;
    uint32_t TIFFOffset = 0;
    uint32_t TIFFLength = 0;
    // Whether it is the binary header and its TIFF section lies after it.
    bool Check() const { return Signature == EPSSignature && TIFFOffset >= HeaderSize; }
};

[[noreturn]] void InvalidEPS() {
    GraphicErrorFmt(gesInvalidImage, gesFormatEPS);
}

TEPSHeader ReadHeader(const TByteCursor& file) {
    file.RequireAt(0, HeaderSize);
    return {file.U32At(0), file.U32At(20), file.U32At(24)};
}

} // namespace

bool TEPSGraphic::CanLoad(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t bytes[HeaderSize];
    const bool whole = stream.Remaining() > int64_t(HeaderSize) &&
                       stream.Read(bytes, HeaderSize) == int64_t(HeaderSize);
    stream.SetPosition(start);
    if (!whole)
        return false;
    const TEPSHeader header = ReadHeader(TByteCursor(bytes, HeaderSize));
    return header.Signature == EPSSignature && uint64_t(start) + HeaderSize < header.TIFFOffset &&
           header.TIFFLength > 0;
}

void TEPSGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    TPictureMemory storage;
    const TByteCursor file(StreamBytes(stream, storage), TByteOrder::boLittleEndian, InvalidEPS);
    const TEPSHeader header = ReadHeader(file);
    // An offset inside the header would make the TIFF reader start before the section.
    if (!header.Check())
        InvalidEPS();
    // The TIFF's offsets count from the start of its section, which it must not leave; a
    // section said to be longer than the file ends with it.
    TByteCursor rest = file;
    rest.Seek(header.TIFFOffset);
    const TByteCursor section =
        rest.TakeRange(std::min<uint64_t>(header.TIFFLength, rest.Remaining()));
    LoadTIFF({section.Data(), section.Size()});
}
