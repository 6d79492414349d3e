#include "ReaderFuzzing.h"
#include "formats/GIFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TGIFGraphic>(data, size);
}
