#include "formats/PNGGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TPNGGraphic::ClassInfo = {"TPNGGraphic", CreateGraphic<TPNGGraphic>};

// Refuses every file until the reader itself is written.
void TPNGGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatPNG);
}
