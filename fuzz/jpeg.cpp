#include "formats/JPEGImage.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small pictures only, so the fuzzer spends its time in the decoder, not on pages.
    SetPicturePixelLimit(1 << 16);
    TMemoryStream stream(data, size);
    TJPEGImage image;
    try {
        image.LoadFromStream(stream);
        // The header alone can claim any size; only the decoded bitmap is drawn.
        const TBitmap& bitmap = image.Bitmap();
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(bitmap.Width(), bitmap.Height());
        image.Draw(canvas, 0, 0);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
