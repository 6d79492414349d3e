#pragma once

#include "formats/GraphicReader.h"
#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"

#include <algorithm>
#include <array>
#include <optional>

// Reads ZSoft Paintbrush files: 1, 2, 4 and 8-bit single-plane images, 16 colours in four
// 1-bit planes and 24-bit colour in three 8-bit planes, raw or run-length compressed.
class TPCXGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    // The 128-byte header at the start of the file.
    struct THeader {
        uint8_t Manufacturer;
        uint8_t Version;
        uint8_t Encoding;
        uint8_t BitsPerPixel; // per plane
        int32_t Width;
        int32_t Height;
        uint16_t XResolution;
        uint16_t YResolution;
        std::array<uint8_t, 48> Palette16;
        uint8_t Planes;
        uint16_t BytesPerLine;
        uint16_t PaletteInfo;

        explicit THeader(const TByteCursor& h)
            : Manufacturer(h.U8At(0)), Version(h.U8At(1)), Encoding(h.U8At(2)),
              BitsPerPixel(h.U8At(3)), Width(h.U16At(8) - h.U16At(4) + 1),
              Height(h.U16At(10) - h.U16At(6) + 1), XResolution(h.U16At(12)),
              YResolution(h.U16At(14)), Palette16(), Planes(h.U8At(65)), BytesPerLine(h.U16At(66)),
              PaletteInfo(h.U16At(68)) {
            std::copy_n(h.BytesAt(16, 48), 48, Palette16.begin());
        }

        // Whether the manufacturer byte is PCX's (or a screen capture's).
        bool Check() const { return Manufacturer == 10 || Manufacturer == 205; }

        bool FourPlanes() const { return Planes == 4 && BitsPerPixel == 1; }
        bool ThreePlanes() const { return Planes == 3 && BitsPerPixel == 8; }
        bool SinglePlane() const {
            return Planes == 1 && (BitsPerPixel == 1 || BitsPerPixel == 2 || BitsPerPixel == 4 ||
                                   BitsPerPixel == 8);
        }
    };

    bool ReadHeader(TStream& stream);

    void AssignPalette(const THeader& header);
    TPictureMemory ReadPixelData(const THeader& header, int64_t lineBytes);
    void ConvertRows(const THeader& header, const uint8_t* data, int64_t lineBytes);

    std::optional<THeader> Header; // set once the header is read and checked
};
