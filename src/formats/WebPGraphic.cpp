#include "formats/WebPGraphic.h"

#include "formats/ExifOrientation.h"
#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "formats/LibraryDecoding.h"
#include "platform/StreamBlocks.h"

#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimationDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

std::vector<uint8_t> ChunkBytes(const WebPDemuxer* demux, const char* fourCC) {
    WebPChunkIterator chunk;
    std::vector<uint8_t> bytes;
    if (WebPDemuxGetChunk(demux, fourCC, 1, &chunk))
        bytes.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

void ReadMetadata(const WebPData& data, TPictureMetadata& metadata) {
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux)
        return;
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    if (flags & ICCP_FLAG)
        metadata.IccProfile = ChunkBytes(demux.get(), "ICCP");
    if (flags & EXIF_FLAG)
        metadata.Orientation = ExifOrientation(ChunkBytes(demux.get(), "EXIF"));
}

// A still picture decodes straight into the bitmap's rows.
void DecodeStill(std::span<const uint8_t> bytes, bool alpha, TBitmap& bitmap) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        LibraryRefusal(gesFormatWebP);
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = bitmap.ScanLine(0);
    config.output.u.RGBA.stride = bitmap.RowBytes();
    config.output.u.RGBA.size = size_t(bitmap.RowBytes()) * size_t(bitmap.Height());
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        LibraryRefusal(gesFormatWebP);
}

// An animation's first frame, composed on its transparent canvas. The canvas size is the
// file's claim: the gate weighs it before the decoder allocates its canvases.
void DecodeFirstFrame(const WebPData& data, int32_t width, int32_t height, TBitmap& bitmap) {
    SizeDecodedPicture(bitmap, width, height, true, gesFormatWebP);
    // The decoder keeps the canvas, the previous one and the frame it decodes.
    const TPictureCharge frames = ChargeLibraryMemory(width, height, 12);
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        LibraryRefusal(gesFormatWebP);
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const std::unique_ptr<WebPAnimDecoder, AnimationDeleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) ||
        info.canvas_width != uint32_t(width) || info.canvas_height != uint32_t(height))
        LibraryRefusal(gesFormatWebP);
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        LibraryRefusal(gesFormatWebP);
    const size_t rowBytes = size_t(width) * 4;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        std::memcpy(bitmap.ScanLine(y), canvas + size_t(y) * rowBytes, rowBytes);
}

} // namespace

const TGraphicClassInfo TWebPGraphic::ClassInfo = {"TWebPGraphic", CreateGraphic<TWebPGraphic>};

void TWebPGraphic::LoadFromStream(TStream& stream) {
    // The library decodes from memory: the file, read once.
    TPictureMemory storage;
    const std::span<const uint8_t> bytes = StreamBytes(stream, storage);
    Metadata = {};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        LibraryRefusal(gesFormatWebP);
    const WebPData data{bytes.data(), bytes.size()};
    if (features.has_animation) {
        DecodeFirstFrame(data, features.width, features.height, *this);
    } else {
        SizeDecodedPicture(*this, features.width, features.height, features.has_alpha,
                           gesFormatWebP);
        // Lossless pictures decode through a 32-bit picture of the decoder's own.
        constexpr int Lossless = 2;
        const TPictureCharge decoder = ChargeLibraryMemory(features.width, features.height,
                                                           features.format == Lossless ? 4 : 0);
        DecodeStill(bytes, features.has_alpha, *this);
    }
    WhitenTransparentPicture(*this);
    ReadMetadata(data, Metadata);
}
