#include "formats/GIFGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TGIFGraphic::ClassInfo = {"TGIFGraphic", CreateGraphic<TGIFGraphic>};

// Refuses every file until the reader itself is written.
void TGIFGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatGIF);
}
