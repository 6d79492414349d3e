#pragma once

#include "formats/GraphicReader.h"

// Reads Truevision Targa files.
class TTargaGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
