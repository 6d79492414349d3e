#pragma once

#include "formats/GraphicReader.h"

// Reads the TIFF preview of encapsulated PostScript files.
class TEPSGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
