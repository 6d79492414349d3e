#include "ReaderFuzzing.h"
#include "formats/AVIFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<TAVIFGraphic>(data, size);
}
