#include "formats/AVIFGraphic.h"

#include "color/CodingPointsProfile.h"
#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "formats/LibraryDecoding.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <memory>
#include <thread>

#include <avif/avif.h>

namespace {

struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};

void Check(avifResult result) {
    if (result != AVIF_RESULT_OK)
        LibraryRefusal(gesFormatAVIF);
}

uint8_t Orientation(const avifImage& image) {
    const int angle = image.transformFlags & AVIF_TRANSFORM_IROT ? image.irot.angle & 3 : 0;
    const int mirror = image.transformFlags & AVIF_TRANSFORM_IMIR ? image.imir.mode & 1 : -1;
    return OrientationOfTransform(angle, mirror);
}

} // namespace

uint8_t OrientationOfTransform(int angle, int mirror) {
    static constexpr uint8_t orientations[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    return orientations[angle & 3][mirror + 1];
}

const TGraphicClassInfo TAVIFGraphic::ClassInfo = {"TAVIFGraphic", CreateGraphic<TAVIFGraphic>};

void TAVIFGraphic::LoadFromStream(TStream& stream) {
    // The libraries decode from memory: the file, read once.
    TPictureMemory storage;
    const std::span<const uint8_t> bytes = StreamBytes(stream, storage);
    Metadata = {};
    const std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
    if (!decoder)
        LibraryRefusal(gesFormatAVIF);
    decoder->maxThreads = int(std::max(1u, std::thread::hardware_concurrency()));
    // The AV1 decoder allocates its frames itself: it gets the same limits as our bitmaps.
    decoder->imageSizeLimit =
        uint32_t(std::min<int64_t>(PicturePixelLimit(), AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    decoder->imageDimensionLimit = uint32_t(MaxPictureDimension);
    // Files that bend the letter of the format but decode are shown, as other viewers do.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->ignoreXMP = AVIF_TRUE;
    decoder->ignoreExif = AVIF_TRUE; // the container's own transforms say how it stands
    Check(avifDecoderSetIOMemory(decoder.get(), bytes.data(), bytes.size()));
    Check(avifDecoderParse(decoder.get()));
    const avifImage& header = *decoder->image;
    CheckPictureSize(header.width, header.height, gesFormatAVIF);
    // The AV1 decoder's planes and the frames it refers to, about twice the picture's.
    const TPictureCharge planes =
        ChargeLibraryMemory(header.width, header.height, (header.depth > 8 ? 2 : 1) * 4 * 2);
    Check(avifDecoderNextImage(decoder.get()));
    const avifImage& image = *decoder->image;

    const bool alpha = image.alphaPlane != nullptr;
    SizeDecodedPicture(*this, image.width, image.height, alpha, gesFormatAVIF);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &image);
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    rgb.alphaPremultiplied = AVIF_FALSE; // divided out if the file stores it multiplied
    rgb.pixels = ScanLine(0);
    rgb.rowBytes = uint32_t(RowBytes());
    Check(avifImageYUVToRGB(&image, &rgb));
    WhitenTransparentPicture(*this);

    Metadata.Orientation = Orientation(image);
    Metadata.IccProfile.assign(image.icc.data, image.icc.data + image.icc.size);
    if (Metadata.IccProfile.empty())
        Metadata.IccProfile =
            CodingPointsProfile(image.colorPrimaries, image.transferCharacteristics);
}
