#include "ReaderFuzzing.h"
#include "formats/PCXGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TPCXGraphic>(data, size);
}
