#pragma once

#include "formats/TIFFGraphic.h"

// Shows encapsulated PostScript files through the TIFF preview of their binary header; the
// PostScript itself is not interpreted.
class TEPSGraphic : public TTIFFGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    void LoadFromStream(TStream& stream) override;
};
