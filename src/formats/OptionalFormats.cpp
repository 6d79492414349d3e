#include "formats/OptionalFormats.h"

#include "formats/FileFormatList.h"
#include "formats/GraphicStrings.h"

#ifdef PELORAMA_WITH_WEBP
#include "formats/WebPGraphic.h"
#define WEBP_CLASS &TWebPGraphic::ClassInfo
#else
#define WEBP_CLASS nullptr
#endif
#ifdef PELORAMA_WITH_AVIF
#include "formats/AVIFGraphic.h"
#define AVIF_CLASS &TAVIFGraphic::ClassInfo
#else
#define AVIF_CLASS nullptr
#endif
#ifdef PELORAMA_WITH_HEIF
#include "formats/HEIFGraphic.h"
#define HEIF_CLASS &THEIFGraphic::ClassInfo
#else
#define HEIF_CLASS nullptr
#endif
#ifdef PELORAMA_WITH_JXL
#include "formats/JPEGXLGraphic.h"
#define JXL_CLASS &TJPEGXLGraphic::ClassInfo
#else
#define JXL_CLASS nullptr
#endif

std::span<const TOptionalFormat> OptionalFormats() {
    static const TOptionalFormat formats[] = {
        {"webp", gesWebPImages, "", ftRaster | ftAnimation, "libwebp-dev", WEBP_CLASS},
        {"avif", gesAVIFImages, "", ftRaster | ftAnimation, "libavif-dev", AVIF_CLASS},
        {"heif", gesHEIFImages, "", ftRaster | ftMultiImage, "libheif-dev", HEIF_CLASS},
        {"heic", "", gesHEICImages, ftRaster | ftMultiImage, "libheif-dev", HEIF_CLASS},
        {"hif", "", "", ftRaster | ftMultiImage, "libheif-dev", HEIF_CLASS},
        {"jxl", gesJPEGXLImages, "", ftRaster | ftAnimation, "libjxl-dev", JXL_CLASS},
    };
    return formats;
}
