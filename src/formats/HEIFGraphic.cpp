#include "formats/HEIFGraphic.h"

#include "color/CodingPointsProfile.h"
#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "formats/HEIFDerivedImages.h"
#include "formats/LibraryDecoding.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"

#include <algorithm>
#include <memory>

#include <libheif/heif.h>

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        LibraryRefusal(gesFormatHEIF);
}

// libheif's plugins register once per process.
void InitialiseOnce() {
    static const bool initialised = heif_init(nullptr).code == heif_error_Ok;
    (void)initialised;
}

// The picture's ICC profile, or the one its colour code points describe.
std::vector<uint8_t> IccProfile(const heif_image_handle* handle) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_nclx) {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok)
            return {};
        std::vector<uint8_t> profile =
            CodingPointsProfile(nclx->color_primaries, nclx->transfer_characteristics);
        heif_nclx_color_profile_free(nclx);
        return profile;
    }
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return {};
    std::vector<uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
    if (profile.empty() ||
        heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
        return {};
    return profile;
}

// Rows of red, green, blue (and alpha) into the bitmap's blue-first rows; multiplied alpha
// is divided out, which drawing over white expects.
void CopyRows(const uint8_t* plane, int stride, bool premultiplied, TBitmap& bitmap) {
    const bool alpha = bitmap.PixelFormat() == TPixelFormat::pf32bit;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        CopyRedFirstPixels(plane + size_t(y) * size_t(stride), row, size_t(bitmap.Width()),
                           alpha ? 4 : 3);
        if (!alpha || !premultiplied)
            continue;
        for (uint8_t* p = row; p < row + size_t(bitmap.Width()) * 4; p += 4)
            if (p[3] != 0 && p[3] != 255)
                for (int k = 0; k < 3; ++k)
                    p[k] = uint8_t(std::min(255, (p[k] * 255 + p[3] / 2) / p[3]));
    }
}

// Grids and overlays are composed on canvases of their own sizes, up to four 8-bit planes
// each; a canvas is weighed before libheif allocates it.
TPictureCharge ChargeDerivedCanvases(std::span<const uint8_t> file) {
    const std::optional<std::vector<THEIFCanvas>> canvases = HEIFDerivedCanvases(file);
    if (!canvases)
        LibraryRefusal(gesFormatHEIF);
    constexpr int64_t Beyond = int64_t(1) << 50; // far over any budget, the sum still fits
    int64_t pixels = 0;
    for (const THEIFCanvas& canvas : *canvases) {
        CheckPictureSize(canvas.Width, canvas.Height, gesFormatHEIF);
        pixels = std::min(pixels + canvas.Width * canvas.Height, Beyond);
    }
    return ChargeLibraryMemory(pixels, 1, 4);
}

} // namespace

const TGraphicClassInfo THEIFGraphic::ClassInfo = {"THEIFGraphic", CreateGraphic<THEIFGraphic>};

void THEIFGraphic::LoadFromStream(TStream& stream) {
    InitialiseOnce();
    // The libraries decode from memory: the file, read once.
    TPictureMemory storage;
    const std::span<const uint8_t> bytes = StreamBytes(stream, storage);
    Metadata = {};
    const std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        LibraryRefusal(gesFormatHEIF);
    heif_context_set_maximum_image_size_limit(context.get(), int(MaxPictureDimension));
    Check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                     nullptr));
    heif_image_handle* primary = nullptr;
    Check(heif_context_get_primary_image_handle(context.get(), &primary));
    const std::unique_ptr<heif_image_handle, HandleDeleter> handle(primary);
    const int64_t primaryWidth = heif_image_handle_get_width(primary);
    const int64_t primaryHeight = heif_image_handle_get_height(primary);
    CheckPictureSize(primaryWidth, primaryHeight, gesFormatHEIF);
    // The decoded planes and libheif's interleaved copy of them, until they are ours.
    const TPictureCharge planes = ChargeLibraryMemory(primaryWidth, primaryHeight, 8);
    const TPictureCharge canvases = ChargeDerivedCanvases(bytes);

    const bool alpha = heif_image_handle_has_alpha_channel(primary) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(
        heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    Check(heif_decode_image(primary, &decoded, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get()));
    const std::unique_ptr<heif_image, ImageDeleter> image(decoded);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0 || stride < width * (alpha ? 4 : 3))
        LibraryRefusal(gesFormatHEIF);
    SizeDecodedPicture(*this, width, height, alpha, gesFormatHEIF);
    CopyRows(plane, stride, heif_image_handle_is_premultiplied_alpha(primary) != 0, *this);
    WhitenTransparentPicture(*this);
    Metadata.IccProfile = IccProfile(primary);
}
