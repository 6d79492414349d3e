#include "ReaderFuzzing.h"
#include "formats/JPEGXLGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TJPEGXLGraphic>(data, size);
}
