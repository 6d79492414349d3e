#pragma once

#include "formats/GraphicReader.h"

// Reads ZSoft Paintbrush files.
class TPCXGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
