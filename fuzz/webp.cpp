#include "ReaderFuzzing.h"
#include "formats/WebPGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TWebPGraphic>(data, size);
}
