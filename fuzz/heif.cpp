#include "ReaderFuzzing.h"
#include "formats/HEIFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<THEIFGraphic>(data, size);
}
