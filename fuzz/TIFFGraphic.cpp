#include "formats/TIFFGraphic.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small pictures only, so the fuzzer spends its time on the parsing, not on pages.
    SetPicturePixelLimit(1 << 16);
    TMemoryStream stream(data, size);
    TTIFFGraphic picture;
    try {
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
    }
    return 0;
}
