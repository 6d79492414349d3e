#include "formats/PCXGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TPCXGraphic::ClassInfo = {"TPCXGraphic", CreateGraphic<TPCXGraphic>};

// Refuses every file until the reader itself is written.
void TPCXGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatPCX);
}
