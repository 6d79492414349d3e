#include "formats/PPMGraphic.h"

#include "formats/GraphicStrings.h"

const TGraphicClassInfo TPPMGraphic::ClassInfo = {"TPPMGraphic", CreateGraphic<TPPMGraphic>};

// Refuses every file until the reader itself is written.
void TPPMGraphic::LoadFromStream(TStream&) {
    GraphicErrorFmt(gesInvalidImage, gesFormatPBMPGMPPM);
}
