#include "formats/EPSGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TEPSGraphic::ClassInfo = {"TEPSGraphic", CreateGraphic<TEPSGraphic>};

// Refuses every file until the reader itself is written.
void TEPSGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatEPS);
}
