#include "formats/BMPGraphic.h"

#include "formats/DibHeader.h"
#include "formats/DibPixels.h"
#include "platform/ByteCursor.h"
#include "platform/Exceptions.h"
#include "platform/StreamBlocks.h"
#include "platform/Streams.h"

#include <array>

const TGraphicClassInfo TBMPGraphic::ClassInfo = {
    "TBMPGraphic", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBMPGraphic>(); }};

namespace {
constexpr size_t FileHeaderSize = 14;
} // namespace

// A bitmap file: "BM", the file size, two reserved words, the offset of the pixel data, then
// a device-independent bitmap. Positions are taken relative to where the file starts in the
// stream, so a bitmap embedded in a larger stream reads as well.
void TBMPGraphic::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    std::array<uint8_t, FileHeaderSize> raw;
    const TByteCursor fileHeader =
        ReadBlock(stream, raw, TByteOrder::boLittleEndian, RaiseInvalidBitmap);
    if (fileHeader.U8At(0) != 'B' || fileHeader.U8At(1) != 'M')
        RaiseInvalidBitmap();
    const int64_t bitsPosition = start + fileHeader.U32At(10);
    const TDibHeader header = ReadDibHeader(stream, bitsPosition);
    // Some writers leave the offset at zero or let it point into the headers; the pixels
    // then follow the palette. Pixels that start at the end of the file are none at all.
    if (bitsPosition > stream.Position()) {
        if (!StreamHolds(stream, uint64_t(bitsPosition - stream.Position()) + 1))
            RaiseInvalidBitmap();
        stream.SetPosition(bitsPosition);
    }
    ReadDibPixels(stream, header, *this);
}
