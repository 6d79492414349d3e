#pragma once

#include "formats/GraphicReader.h"

// Reads PNG files.
class TPNGGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
