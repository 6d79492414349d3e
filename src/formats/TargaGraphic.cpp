#include "formats/TargaGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TTargaGraphic::ClassInfo = {"TTargaGraphic", CreateGraphic<TTargaGraphic>};

// Refuses every file until the reader itself is written.
void TTargaGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatTarga);
}
