#pragma once

#include "formats/GraphicReader.h"

// Reads TIFF files.
class TTIFFGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
