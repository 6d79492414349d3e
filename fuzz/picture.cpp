// libFuzzer target: any raster format through the viewer's own load path, with the real size
// gate and memory budget, so that a small file claiming a huge picture is reachable.
// Input: the file's extension, a NUL byte, then the file.
#include "formats/FileFormatList.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterFileFormats(nullptr);
    // The default budget where the fuzzer's 2 GiB limit leaves room for the sanitizers' own.
    SetPictureMemoryBudget(std::min<int64_t>(DefaultPictureMemoryBudget(), int64_t(1536) << 20));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* separator =
        static_cast<const uint8_t*>(std::memchr(data, 0, std::min<size_t>(size, 8)));
    if (!separator)
        return 0;
    const std::string extension(reinterpret_cast<const char*>(data), size_t(separator - data));
    const TGraphicClass graphicClass = PictureClassTable().FindClass(extension);
    if (!graphicClass)
        return 0;
    const size_t offset = size_t(separator - data) + 1;
    TPictureLoadScope load;
    try {
        TMemoryStream stream(data + offset, size - offset);
        std::unique_ptr<TGraphic> picture = graphicClass->Create();
        picture->LoadFromStream(stream);
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(picture->Width(), picture->Height());
        canvas.Fill({255, 255, 255});
        picture->Draw(canvas, 0, 0);
    } catch (const Exception&) {
    }
    return 0;
}
