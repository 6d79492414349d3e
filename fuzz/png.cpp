#include "ReaderFuzzing.h"
#include "formats/PNGGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TPNGGraphic>(data, size);
}
