#include "ReaderFuzzing.h"
#include "formats/TargaGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TTargaGraphic>(data, size);
}
