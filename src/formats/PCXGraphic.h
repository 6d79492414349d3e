#pragma once

#include "formats/GraphicReader.h"
#include "platform/PictureLimits.h"

#include <memory>

// Reads ZSoft Paintbrush files: 1, 2, 4 and 8-bit single-plane images, 16 colours in four
// 1-bit planes and 24-bit colour in three 8-bit planes, raw or run-length compressed.
class TPCXGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    TPCXGraphic();
    ~TPCXGraphic() override;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    struct THeader;

    bool ReadHeader(TStream& stream);

    void AssignPalette(const THeader& header);
    TPictureMemory ReadPixelData(const THeader& header, int64_t lineBytes);
    void ConvertRows(const THeader& header, const uint8_t* data, int64_t lineBytes);

    std::unique_ptr<THeader> Header;
};
