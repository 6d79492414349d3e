#pragma once

#include "formats/GraphicReader.h"

// Reads the composite image of Photoshop files.
class TPSDGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
