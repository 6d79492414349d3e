#include "formats/Icon.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small pictures only, so the fuzzer spends its time on the parsing, not on pages.
    SetPicturePixelLimit(1 << 16);
    TMemoryStream stream(data, size);
    TIcon icon;
    try {
        icon.LoadFromStream(stream);
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(icon.Width(), icon.Height());
        canvas.Fill({255, 255, 255});
        icon.Draw(canvas, 0, 0);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
