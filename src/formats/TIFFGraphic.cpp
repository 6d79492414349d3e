#include "formats/TIFFGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TTIFFGraphic::ClassInfo = {"TTIFFGraphic", CreateGraphic<TTIFFGraphic>};

// Refuses every file until the reader itself is written.
void TTIFFGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatTIFF);
}
