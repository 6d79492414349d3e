#pragma once

#include "formats/GraphicReader.h"

// Reads portable bitmap, graymap and pixmap files.
class TPPMGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
