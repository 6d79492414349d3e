#include "formats/JPEGXLGraphic.h"

#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "formats/LibraryDecoding.h"
#include "platform/StreamBlocks.h"

#include <memory>

#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>

namespace {

struct DecoderDeleter {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct RunnerDeleter {
    void operator()(void* runner) const { JxlResizableParallelRunnerDestroy(runner); }
};

void Check(JxlDecoderStatus status) {
    if (status != JXL_DEC_SUCCESS)
        LibraryRefusal(gesFormatJPEGXL);
}

JxlColorEncoding StandardRgb(bool gray) {
    JxlColorEncoding encoding{};
    encoding.color_space = gray ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    encoding.white_point = JXL_WHITE_POINT_D65;
    encoding.primaries = JXL_PRIMARIES_SRGB;
    encoding.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    encoding.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    return encoding;
}

bool IsStandardRgb(const JxlColorEncoding& encoding) {
    return encoding.white_point == JXL_WHITE_POINT_D65 &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
           (encoding.color_space == JXL_COLOR_SPACE_GRAY ||
            (encoding.color_space == JXL_COLOR_SPACE_RGB &&
             encoding.primaries == JXL_PRIMARIES_SRGB));
}

bool HasStandardRgbProfile(const JxlDecoder* decoder) {
    JxlColorEncoding encoding;
    return JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                              &encoding) == JXL_DEC_SUCCESS &&
           IsStandardRgb(encoding);
}

// The profile of the pixels as decoded; empty when they are sRGB.
std::vector<uint8_t> DataProfile(const JxlDecoder* decoder) {
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           &encoding) == JXL_DEC_SUCCESS &&
        IsStandardRgb(encoding))
        return {};
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
        JXL_DEC_SUCCESS)
        return {};
    std::vector<uint8_t> profile(size);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       profile.data(), size) != JXL_DEC_SUCCESS)
        return {};
    return profile;
}

} // namespace

const TGraphicClassInfo TJPEGXLGraphic::ClassInfo = {"TJPEGXLGraphic",
                                                     CreateGraphic<TJPEGXLGraphic>};

void TJPEGXLGraphic::LoadFromStream(TStream& stream) {
    // The libraries decode from memory: the file, read once.
    TPictureMemory storage;
    const std::span<const uint8_t> bytes = StreamBytes(stream, storage);
    Metadata = {};
    const std::unique_ptr<JxlDecoder, DecoderDeleter> owner(JxlDecoderCreate(nullptr));
    const std::unique_ptr<void, RunnerDeleter> runner(JxlResizableParallelRunnerCreate(nullptr));
    JxlDecoder* decoder = owner.get();
    if (!decoder || !runner)
        LibraryRefusal(gesFormatJPEGXL);
    Check(JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                 JXL_DEC_FULL_IMAGE));
    Check(JxlDecoderSetParallelRunner(decoder, JxlResizableParallelRunner, runner.get()));
    Check(JxlDecoderSetKeepOrientation(decoder, JXL_TRUE));
    Check(JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE));
    Check(JxlDecoderSetInput(decoder, bytes.data(), bytes.size()));
    JxlDecoderCloseInput(decoder);

    JxlBasicInfo info{};
    TPictureCharge frames;
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO:
            Check(JxlDecoderGetBasicInfo(decoder, &info));
            format.num_channels = info.alpha_bits > 0 ? 4 : 3;
            SizeDecodedPicture(*this, info.xsize, info.ysize, info.alpha_bits > 0, gesFormatJPEGXL);
            // libjxl decodes into planes of floats: four bytes a channel, and some to spare.
            frames = ChargeLibraryMemory(info.xsize, info.ysize, info.alpha_bits > 0 ? 20 : 16);
            JxlResizableParallelRunnerSetThreads(
                runner.get(), JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize));
            Metadata.Orientation = uint8_t(info.orientation);
            break;
        case JXL_DEC_COLOR_ENCODING:
            // Pixels stored in the decoder's own space may come out in any: sRGB needs no
            // conversion afterwards. Pixels stored in their original space keep its profile.
            if (!info.uses_original_profile && !HasStandardRgbProfile(decoder)) {
                const JxlColorEncoding srgb = StandardRgb(info.num_color_channels == 1);
                JxlDecoderSetPreferredColorProfile(decoder, &srgb);
            }
            Metadata.IccProfile = DataProfile(decoder);
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            // Rows aligned to 4 bytes, as the bitmap's are.
            size_t size = 0;
            Check(JxlDecoderImageOutBufferSize(decoder, &format, &size));
            if (size > size_t(RowBytes()) * size_t(Height()))
                LibraryRefusal(gesFormatJPEGXL);
            Check(JxlDecoderSetImageOutBuffer(decoder, &format, ScanLine(0), size));
            break;
        }
        case JXL_DEC_FULL_IMAGE: // the first frame is all we show
            for (int32_t y = 0; y < Height(); ++y)
                CopyRedFirstPixels(ScanLine(y), ScanLine(y), size_t(Width()), format.num_channels);
            WhitenTransparentPicture(*this);
            if (Metadata.Orientation < 1 || Metadata.Orientation > 8)
                Metadata.Orientation = 1;
            return;
        default:
            LibraryRefusal(gesFormatJPEGXL);
        }
    }
}
