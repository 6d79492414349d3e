#include "formats/PSPGraphic.h"
#include "ReaderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TPSPGraphic>(data, size);
}
