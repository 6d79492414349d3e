#include "formats/PSPGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TPSPGraphic::ClassInfo = {"TPSPGraphic", CreateGraphic<TPSPGraphic>};

// Refuses every file until the reader itself is written.
void TPSPGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatPSP);
}
