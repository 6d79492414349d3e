#include "formats/EPSGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TEPSGraphic::ClassInfo = {"TEPSGraphic", CreateGraphic<TEPSGraphic>};

namespace {

constexpr int64_t HeaderSize = 30;
constexpr uint32_t Signature = 0xC6D3D0C5;

struct TEPSHeader {
    uint32_t Signature = 0;
    uint32_t TIFFOffset = 0;
    uint32_t TIFFLength = 0;
};

uint32_t Little32(const uint8_t* p) {
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Only the signature and the TIFF section are of use to a viewer.
TEPSHeader ReadHeader(TStream& stream) {
    uint8_t bytes[HeaderSize];
    stream.ReadBuffer(bytes, HeaderSize);
    return {Little32(bytes), Little32(bytes + 20), Little32(bytes + 24)};
}

} // namespace

bool TEPSGraphic::CanLoad(TStream& stream) {
    const int64_t start = stream.Position();
    if (stream.Remaining() < HeaderSize + 1)
        return false;
    const TEPSHeader header = ReadHeader(stream);
    stream.SetPosition(start);
    return header.Signature == Signature && start + HeaderSize < int64_t(header.TIFFOffset) &&
           header.TIFFLength > 0;
}

void TEPSGraphic::LoadFromStream(TStream& stream) {
    if (stream.Remaining() < HeaderSize)
        GraphicErrorFmt(gesInvalidImage, gesFormatEPS);
    const TEPSHeader header = ReadHeader(stream);
    // An offset inside the header would make the TIFF reader start before the section.
    if (header.Signature != Signature || header.TIFFOffset < HeaderSize)
        GraphicErrorFmt(gesInvalidImage, gesFormatEPS);
    stream.Seek(int64_t(header.TIFFOffset) - HeaderSize, TSeekOrigin::soCurrent);
    TTIFFGraphic::LoadFromStream(stream);
}
