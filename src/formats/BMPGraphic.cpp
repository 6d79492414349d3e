#include "formats/BMPGraphic.h"

#include "formats/DibHeader.h"
#include "formats/DibPixels.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

const TGraphicClassInfo TBMPGraphic::ClassInfo = {
    "TBMPGraphic", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBMPGraphic>(); }};

namespace {
constexpr int64_t FileHeaderSize = 14;
} // namespace

// A bitmap file: "BM", the file size, two reserved words, the offset of the pixel data, then
// a device-independent bitmap. Positions are taken relative to where the file starts in the
// stream, so a bitmap embedded in a larger stream reads as well.
void TBMPGraphic::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t fileHeader[FileHeaderSize];
    if (stream.Read(fileHeader, FileHeaderSize) != FileHeaderSize || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M')
        throw EInvalidGraphic(SInvalidBitmap);
    const int64_t bitsOffset = LoadLE32(fileHeader + 10);
    const TDibHeader header = ReadDibHeader(stream, start + bitsOffset);
    // Some writers leave the offset at zero or let it point into the headers; the pixels
    // then follow the palette.
    if (start + bitsOffset > stream.Position()) {
        if (start + bitsOffset >= stream.Size())
            throw EInvalidGraphic(SInvalidBitmap);
        stream.SetPosition(start + bitsOffset);
    }
    ReadDibPixels(stream, header, *this);
}
