// The readers that hand decoding to a library, against that library's plain decode of the
// same file into a buffer of its own (8-bit, three channels, the order it offers):
//   Library<F>   the library alone
//   Reader<F>    our reader: load from a stream into its bitmap, metadata included
// The goal is each Reader within 10 % of its Library, in the CPU time of all threads: on a
// shared machine the wall time of a threaded decoder says more about the neighbours. The
// files: a 12-megapixel photo-like picture as a JPEG, encoded once by the Debian tools
// (cwebp, avifenc, heif-enc, cjxl) into $TMPDIR/pelorama-bench-library; a format whose tool
// or library is missing is skipped.
#include "PhotoLikePicture.h"
#include "formats/JPEGImage.h"
#include "platform/Graphics.h"
#include "platform/Streams.h"

#ifdef PELORAMA_WITH_WEBP
#include "formats/WebPGraphic.h"
#include <webp/decode.h>
#endif
#ifdef PELORAMA_WITH_AVIF
#include "formats/AVIFGraphic.h"
#include <avif/avif.h>
#endif
#ifdef PELORAMA_WITH_HEIF
#include "formats/HEIFGraphic.h"
#include <libheif/heif.h>
#endif
#ifdef PELORAMA_WITH_JXL
#include "formats/JPEGXLGraphic.h"
#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>
#endif

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int32_t PictureWidth = 4000;
constexpr int32_t PictureHeight = 3000;

std::filesystem::path WorkDirectory() {
    const char* temporary = std::getenv("TMPDIR");
    return std::filesystem::path(temporary ? temporary : "/tmp") / "pelorama-bench-library";
}

// A JPEG at quality 95: the one input every encoder here takes.
std::filesystem::path SourcePicture() {
    const std::filesystem::path jpeg = WorkDirectory() / "photo.jpg";
    if (std::filesystem::exists(jpeg))
        return jpeg;
    std::filesystem::create_directories(WorkDirectory());
    TJPEGImage image;
    image.Assign(MakePhotoLikeBitmap(PictureWidth, PictureHeight));
    image.CompressionQuality = 95;
    TFileStream file(jpeg.string(), TFileMode::fmCreate);
    image.SaveToStream(file);
    return jpeg;
}

// The encoded file, made on first use with the tool's COMMAND ("%s" in, "%s" out); empty
// when the tool failed.
const std::vector<uint8_t>& Encoded(const std::string& extension, const char* command) {
    static std::map<std::string, std::vector<uint8_t>> files;
    if (const auto known = files.find(extension); known != files.end())
        return known->second;
    std::vector<uint8_t>& bytes = files[extension];
    const std::filesystem::path file = WorkDirectory() / ("photo." + extension);
    if (!std::filesystem::exists(file)) {
        char line[1024];
        std::snprintf(line, sizeof line, command, SourcePicture().c_str(), file.c_str());
        if (std::system(line) != 0)
            return bytes;
    }
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes;
}

// The library's plain decode of a file into a buffer of its own, released at once.
using TLibraryDecode = void (*)(const std::vector<uint8_t>& file);

#ifdef PELORAMA_WITH_WEBP
void DecodeWebP(const std::vector<uint8_t>& file) {
    int width = 0, height = 0;
    uint8_t* pixels = WebPDecodeBGR(file.data(), file.size(), &width, &height);
    benchmark::DoNotOptimize(pixels);
    WebPFree(pixels);
}
#endif

#ifdef PELORAMA_WITH_AVIF
void DecodeAVIF(const std::vector<uint8_t>& file) {
    avifDecoder* decoder = avifDecoderCreate();
    decoder->maxThreads = int(std::max(1u, std::thread::hardware_concurrency()));
    avifDecoderSetIOMemory(decoder, file.data(), file.size());
    avifDecoderParse(decoder);
    avifDecoderNextImage(decoder);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, decoder->image);
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    avifRGBImageAllocatePixels(&rgb);
    avifImageYUVToRGB(decoder->image, &rgb);
    benchmark::DoNotOptimize(rgb.pixels);
    avifRGBImageFreePixels(&rgb);
    avifDecoderDestroy(decoder);
}
#endif

#ifdef PELORAMA_WITH_HEIF
void DecodeHEIF(const std::vector<uint8_t>& file) {
    heif_context* context = heif_context_alloc();
    heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    heif_image* image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    int stride = 0;
    benchmark::DoNotOptimize(
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
}
#endif

#ifdef PELORAMA_WITH_JXL
void DecodeJPEGXL(const std::vector<uint8_t>& file) {
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    void* runner = JxlResizableParallelRunnerCreate(nullptr);
    JxlDecoderSetParallelRunner(decoder, JxlResizableParallelRunner, runner);
    JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder, file.data(), file.size());
    JxlDecoderCloseInput(decoder);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    JxlDecoderStatus status;
    while ((status = JxlDecoderProcessInput(decoder)) != JXL_DEC_FULL_IMAGE) {
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info;
            JxlDecoderGetBasicInfo(decoder, &info);
            JxlResizableParallelRunnerSetThreads(
                runner, JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize));
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t size = 0;
            JxlDecoderImageOutBufferSize(decoder, &format, &size);
            pixels.resize(size);
            JxlDecoderSetImageOutBuffer(decoder, &format, pixels.data(), size);
        } else {
            break;
        }
    }
    benchmark::DoNotOptimize(pixels.data());
    JxlResizableParallelRunnerDestroy(runner);
    JxlDecoderDestroy(decoder);
}
#endif

struct TLibraryFormat {
    const char* Name;
    const char* Extension;
    const char* EncodeCommand; // "%s" in, "%s" out
    TLibraryDecode Library;
    TGraphicClass Reader;
};

const TLibraryFormat LibraryFormats[] = {
#ifdef PELORAMA_WITH_WEBP
    {"WebP", "webp", "cwebp -quiet -q 80 %s -o %s", DecodeWebP, &TWebPGraphic::ClassInfo},
#endif
#ifdef PELORAMA_WITH_AVIF
    {"AVIF", "avif", "avifenc -s 10 --min 20 --max 30 %s %s >/dev/null", DecodeAVIF,
     &TAVIFGraphic::ClassInfo},
#endif
#ifdef PELORAMA_WITH_HEIF
    {"HEIF", "heic", "heif-enc -q 80 %s -o %s >/dev/null", DecodeHEIF, &THEIFGraphic::ClassInfo},
#endif
#ifdef PELORAMA_WITH_JXL
    {"JPEGXL", "jxl", "cjxl -e 3 -d 1 --lossless_jpeg=0 %s %s >/dev/null 2>&1", DecodeJPEGXL,
     &TJPEGXLGraphic::ClassInfo},
#endif
};

// The format's file; null, with the benchmark skipped, when its encoder is missing.
const std::vector<uint8_t>* FileOf(benchmark::State& state, const TLibraryFormat& format) {
    const std::vector<uint8_t>& file = Encoded(format.Extension, format.EncodeCommand);
    if (!file.empty())
        return &file;
    state.SkipWithError("no file: the encoder is missing");
    return nullptr;
}

void Library(benchmark::State& state, const TLibraryFormat& format) {
    if (const std::vector<uint8_t>* file = FileOf(state, format))
        for (auto _ : state)
            format.Library(*file);
}

void Reader(benchmark::State& state, const TLibraryFormat& format) {
    const std::vector<uint8_t>* file = FileOf(state, format);
    if (!file)
        return;
    TMemoryStream stream(file->data(), file->size());
    for (auto _ : state) {
        stream.SetPosition(0);
        const std::unique_ptr<TGraphic> reader = format.Reader->Create();
        reader->LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.get());
    }
}

} // namespace

int main(int argc, char** argv) {
#ifdef PELORAMA_WITH_HEIF
    heif_init(nullptr);
#endif
    using TRun = void (*)(benchmark::State&, const TLibraryFormat&);
    const std::pair<const char*, TRun> kinds[] = {{"Library", Library}, {"Reader", Reader}};
    for (const TLibraryFormat& format : LibraryFormats)
        for (const auto& [kind, run] : kinds)
            benchmark::RegisterBenchmark((std::string(kind) + format.Name).c_str(), run, format)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime() // the libraries decode on threads of their own
                ->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
