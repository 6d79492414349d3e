#include "ReaderFuzzing.h"
#include "formats/PPMGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TPPMGraphic>(data, size);
}
