#include "formats/PSDGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TPSDGraphic::ClassInfo = {"TPSDGraphic", CreateGraphic<TPSDGraphic>};

// Refuses every file until the reader itself is written.
void TPSDGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatPSD);
}
