#pragma once

#include "formats/GraphicReader.h"

// Reads the first image of GIF files.
class TGIFGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
