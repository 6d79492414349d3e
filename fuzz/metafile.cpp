// libFuzzer target: Windows metafiles, loaded and played.
#include "metafile/Metafile.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <QGuiApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text output needs a GUI application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    // Small pictures keep each run fast.
    SetPicturePixelLimit(int64_t(1) << 18);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TMemoryStream stream(data, size);
        TMetafile metafile;
        metafile.LoadFromStream(stream);
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(metafile.Width(), metafile.Height());
        canvas.Fill({255, 255, 255});
        metafile.Draw(canvas, 0, 0);
    } catch (const Exception&) {
    }
    return 0;
}
