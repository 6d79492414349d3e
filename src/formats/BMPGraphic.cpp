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

// "BM", the file size, two reserved words and the offset of the pixel data.
struct TFileHeader {
    uint8_t Signature[2];
    uint32_t BitsOffset;
    bool Check() const { return Signature[0] == 'B' && Signature[1] == 'M'; }
};

TFileHeader ReadFileHeader(TStream& stream) {
    std::array<uint8_t, FileHeaderSize> raw;
    const TByteCursor h = ReadBlock(stream, raw, TByteOrder::boLittleEndian, RaiseInvalidBitmap);
    return {{h.U8At(0), h.U8At(1)}, h.U32At(10)};
}

} // namespace

// Positions are taken relative to where the file starts in the stream, so a bitmap embedded
// in a larger stream reads as well.
void TBMPGraphic::LoadFromStream(TStream& stream) {
    BeginLoad(stream);
    const int64_t start = BasePosition;
    const TFileHeader fileHeader = ReadFileHeader(stream);
    if (!fileHeader.Check())
        RaiseInvalidBitmap();
    const int64_t bitsPosition = start + fileHeader.BitsOffset;
    const TDibHeader header = ReadDibHeader(stream, bitsPosition);
    // Some writers leave the offset at zero or let it point into the headers; the pixels
    // then follow the palette. Pixels that start at the end of the file are none at all.
    if (bitsPosition > stream.Position()) {
        if (!StreamHolds(stream, uint64_t(bitsPosition - stream.Position()) + 1))
            RaiseInvalidBitmap();
        stream.SetPosition(bitsPosition);
    }
    // Rows of plain colour go straight into a row target, when the load has one.
    if (DibRowsArePlainColour(header)) {
        CheckUncompressedDibData(stream, header);
        SetupColorManager({psBGR, 8, 3}, psBGR, 8, 3);
        SizePicture(header.Width, header.Height);
        if (WritesTarget()) {
            ReadPlainDibRows(stream, header, [this](int32_t y) { return TargetRow(y); });
            return;
        }
    }
    ReadDibPixels(stream, header, *this);
}
