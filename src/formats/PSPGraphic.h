#pragma once

#include "formats/GraphicReader.h"

// Reads Paint Shop Pro files.
class TPSPGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    void LoadFromStream(TStream& stream) override;
};
