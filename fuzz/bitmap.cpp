#include "platform/Bitmap.h"
#include "formats/BMPGraphic.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small pictures only, so the fuzzer spends its time on the parsing, not on pages.
    SetPicturePixelLimit(1 << 16);
    TMemoryStream stream(data, size);
    TBMPGraphic bitmap;
    try {
        bitmap.LoadFromStream(stream);
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(bitmap.Width(), bitmap.Height());
        bitmap.Draw(canvas, 0, 0);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
