// The viewer's whole load (file -> 24-bit buffer, LoadPictureBuffer) against the fastest peer
// library decoding the same file from memory, per picture of the 24-megapixel and 2-megapixel
// sets that bench/make-pictures.sh makes (into build/bench-pictures, or $PELORAMA_BENCH_PICTURES,
// on first run). Each side decodes into fresh memory and into one buffer it reuses:
//   <set>/<picture>/Ours/Fresh   a new pixel buffer per load
//   <set>/<picture>/Ours/Reused  one buffer reloaded
//   <set>/<picture>/Peer/...     libjpeg-turbo, libpng, libtiff, giflib or stb_image
// After the runs a table gives ours / peer for both, in CPU time of the thread (every side is
// single-threaded; on a shared machine wall time says more about the neighbours). Medians of 5
// repetitions by default; --benchmark_filter=2mp/ runs the small set alone.
#include "formats/FileFormatList.h"
#include "platform/PictureClassTable.h"
#include "platform/PictureLimits.h"
#include "raster/FastBMP.h"
#include "raster/LoadedPicture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/mman.h>
#include <vector>

#include <jpeglib.h>
#ifdef HAVE_LIBPNG
#include <png.h>
#endif
#ifdef HAVE_GIFLIB
#include <gif_lib.h>
#endif
#ifdef HAVE_LIBTIFF
#include <tiffio.h>
#endif

namespace {

using TBytes = std::vector<uint8_t>;

// Memory a peer decodes into: fresh pages for every picture (as a new buffer from the system
// is), or one mapping kept and reused.
class TPeerPixels {
public:
    explicit TPeerPixels(bool reuse) : Reuse(reuse) {}
    ~TPeerPixels() { Unmap(); }
    TPeerPixels(const TPeerPixels&) = delete;
    TPeerPixels& operator=(const TPeerPixels&) = delete;

    uint8_t* Get(size_t bytes) {
        if (!Reuse || bytes > Size) {
            Unmap();
            void* block =
                ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED)
                std::abort();
            Data = static_cast<uint8_t*>(block);
            Size = bytes;
        }
        return Data;
    }
    uint8_t* Block() const { return Data; }
    // The decode is over: fresh memory goes back to the system.
    void Done() {
        benchmark::DoNotOptimize(Data);
        if (!Reuse)
            Unmap();
    }

private:
    void Unmap() {
        if (Data)
            ::munmap(Data, Size);
        Data = nullptr;
        Size = 0;
    }

    bool Reuse;
    uint8_t* Data = nullptr;
    size_t Size = 0;
};

// Blue-green-red rows of WIDTH pixels, top first, with no padding.
std::vector<uint8_t*> RowsOf(uint8_t* pixels, size_t width, size_t height) {
    std::vector<uint8_t*> rows(height);
    for (size_t y = 0; y < height; ++y)
        rows[y] = pixels + y * width * 3;
    return rows;
}

// The peers trust the files this benchmark made; each returns whether it decoded.

bool LibjpegDecode(const TBytes& file, TPeerPixels& out) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    std::vector<uint8_t*> rows = RowsOf(out.Get(size_t(info.output_width) * 3 * info.output_height),
                                        info.output_width, info.output_height);
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                            info.output_height - info.output_scanline);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

struct TMemoryReader {
    const TBytes* File;
    size_t Pos = 0;

    size_t Read(void* into, size_t count) {
        const size_t n = std::min(count, File->size() - Pos);
        std::memcpy(into, File->data() + Pos, n);
        Pos += n;
        return n;
    }
};

#ifdef HAVE_LIBPNG
// Any colour type to blue-green-red over white, as a viewer shows it.
bool LibpngDecode(const TBytes& file, TPeerPixels& out) {
    TMemoryReader reader{&file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, png_size_t length) {
        static_cast<TMemoryReader*>(png_get_io_ptr(p))->Read(data, length);
    });
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_color_16 white{0, 255, 255, 255, 255};
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    std::vector<uint8_t*> rows = RowsOf(out.Get(size_t(width) * 3 * height), width, height);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
#endif

#ifdef HAVE_GIFLIB
bool GiflibDecode(const TBytes& file, TPeerPixels& out) {
    TMemoryReader reader{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(
        &reader,
        [](GifFileType* g, GifByteType* bytes, int count) {
            return int(static_cast<TMemoryReader*>(g->UserData)->Read(bytes, size_t(count)));
        },
        &error);
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        DGifCloseFile(gif, &error);
        return false;
    }
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    const size_t pixels = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
    uint8_t* bgr = out.Get(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        const GifColorType& color = map->Colors[image.RasterBits[i] % map->ColorCount];
        bgr[i * 3] = color.Blue;
        bgr[i * 3 + 1] = color.Green;
        bgr[i * 3 + 2] = color.Red;
    }
    DGifCloseFile(gif, &error);
    return true;
}
#endif

#ifdef HAVE_LIBTIFF
// Strips decoded straight into their rows (red-green-blue, libtiff's order); the file is
// offered as mapped memory, so uncompressed strips are a copy.
bool LibtiffDecode(const TBytes& file, TPeerPixels& out) {
    TMemoryReader reader{&file};
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFClientOpen(
        "memory", "rm", &reader,
        [](thandle_t h, tdata_t data, tsize_t size) {
            return tsize_t(static_cast<TMemoryReader*>(h)->Read(data, size_t(size)));
        },
        [](thandle_t, tdata_t, tsize_t) { return tsize_t(0); },
        [](thandle_t h, toff_t offset, int whence) {
            auto* r = static_cast<TMemoryReader*>(h);
            const toff_t base = whence == SEEK_SET   ? 0
                                : whence == SEEK_CUR ? r->Pos
                                                     : r->File->size();
            r->Pos = std::min<size_t>(base + offset, r->File->size());
            return toff_t(r->Pos);
        },
        [](thandle_t) { return 0; },
        [](thandle_t h) { return toff_t(static_cast<TMemoryReader*>(h)->File->size()); },
        [](thandle_t h, tdata_t* base, toff_t* size) {
            auto* r = static_cast<TMemoryReader*>(h);
            *base = const_cast<uint8_t*>(r->File->data());
            *size = r->File->size();
            return 1;
        },
        [](thandle_t, tdata_t, toff_t) {});
    if (!tiff)
        return false;
    uint32_t width = 0, height = 0;
    uint16_t compression = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG)
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    uint8_t* pixels = out.Get(size_t(width) * 3 * height);
    const tsize_t stripBytes = TIFFStripSize(tiff);
    tsize_t offset = 0;
    for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tiff); ++strip)
        offset += std::max<tsize_t>(
            TIFFReadEncodedStrip(
                tiff, strip, pixels + offset,
                std::min<tsize_t>(stripBytes, tsize_t(width) * 3 * height - offset)),
            0);
    TIFFClose(tiff);
    return true;
}
#endif

} // namespace

// stb_image, compiled here for the formats it is the peer of, takes its output block from
// the benchmark so that "reused" means reused for it too.
namespace {
TPeerPixels* StbOutput = nullptr;
bool StbOutputTaken = false;
constexpr size_t StbOutputThreshold = size_t(1) << 20;

// The first large block of a decode is its output.
void* StbMalloc(size_t bytes) {
    if (StbOutput && !StbOutputTaken && bytes >= StbOutputThreshold) {
        StbOutputTaken = true;
        return StbOutput->Get(bytes);
    }
    return std::malloc(bytes);
}
void StbFree(void* block) {
    if (!StbOutput || block != StbOutput->Block())
        std::free(block);
}
} // namespace

#ifdef HAVE_STB_IMAGE
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_MALLOC(bytes) StbMalloc(bytes)
#define STBI_FREE(block) StbFree(block)
#define STBI_REALLOC(block, bytes) std::realloc(block, bytes)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb_image.h>
#pragma GCC diagnostic pop
#endif

namespace {

#ifdef HAVE_STB_IMAGE
bool StbDecode(const TBytes& file, TPeerPixels& out) {
    StbOutput = &out;
    StbOutputTaken = false;
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 3);
    StbFree(pixels);
    StbOutput = nullptr;
    return pixels != nullptr;
}
#endif

using TPeerDecode = bool (*)(const TBytes& file, TPeerPixels& out);

struct TPicture {
    const char* Name; // file name in the set's directory
    const char* Peer;
    TPeerDecode Decode;
};

const TPicture Pictures[] = {
    {"jpeg-420.jpg", "libjpeg-turbo", LibjpegDecode},
    {"jpeg-444.jpg", "libjpeg-turbo", LibjpegDecode},
    {"jpeg-progressive.jpg", "libjpeg-turbo", LibjpegDecode},
#ifdef HAVE_LIBPNG
    {"png-rgb.png", "libpng", LibpngDecode},
    {"png-rgba.png", "libpng", LibpngDecode},
    {"png-adam7.png", "libpng", LibpngDecode},
    {"png-palette.png", "libpng", LibpngDecode},
#endif
#ifdef HAVE_GIFLIB
    {"gif.gif", "giflib", GiflibDecode},
#endif
#ifdef HAVE_LIBTIFF
    {"tiff-none.tif", "libtiff", LibtiffDecode},
    {"tiff-packbits.tif", "libtiff", LibtiffDecode},
    {"tiff-lzw.tif", "libtiff", LibtiffDecode},
    {"tiff-lzw-predictor.tif", "libtiff", LibtiffDecode},
    {"tiff-deflate.tif", "libtiff", LibtiffDecode},
    {"tiff-jpeg.tif", "libtiff", LibtiffDecode},
#endif
#ifdef HAVE_STB_IMAGE
    {"targa-raw.tga", "stb_image", StbDecode},
    {"targa-rle.tga", "stb_image", StbDecode},
    {"ppm.ppm", "stb_image", StbDecode},
    {"bmp.bmp", "stb_image", StbDecode},
#endif
};

const char* const Sets[] = {"24mp", "2mp"};

std::filesystem::path PictureDirectory() {
    const char* chosen = std::getenv("PELORAMA_BENCH_PICTURES");
    return chosen ? std::filesystem::path(chosen) : std::filesystem::path(PELORAMA_BENCH_PICTURES);
}

bool MakePictures() {
    const std::string command = "bash '" PELORAMA_SOURCE_DIR "/bench/make-pictures.sh' '" +
                                PictureDirectory().string() + "'";
    return std::system(command.c_str()) == 0;
}

TBytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Ours(benchmark::State& state, const std::string& path, bool reuse) {
    TFastBMP kept;
    for (auto _ : state) {
        const TPictureLoadScope load;
        TFastBMP fresh;
        TFastBMP& buffer = reuse ? kept : fresh;
        LoadPictureBuffer(path, buffer);
        benchmark::DoNotOptimize(buffer.PixelData);
    }
}

void Peer(benchmark::State& state, const std::string& path, TPeerDecode decode, bool reuse) {
    const TBytes file = ReadFile(path);
    TPeerPixels pixels(reuse);
    for (auto _ : state) {
        if (!decode(file, pixels)) {
            state.SkipWithError("the peer could not decode the file");
            break;
        }
        pixels.Done();
    }
}

// Collects each benchmark's median (or its only run) in CPU milliseconds for the ratio table.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Milliseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.repetitions <= 1 && run.run_type == Run::RT_Iteration;
            if (!run.error_occurred && (single || run.aggregate_name == "median"))
                Milliseconds[run.run_name.function_name] = run.GetAdjustedCPUTime(); // ms
        }
    }
};

void PrintRatios(const TRatioReporter& reporter) {
    const auto find = [&](const std::string& name) {
        const auto found = reporter.Milliseconds.find(name);
        return found == reporter.Milliseconds.end() ? -1.0 : found->second;
    };
    std::printf("\n%-5s %-23s %-14s %9s %9s %9s %9s %7s %7s\n", "set", "picture", "peer", "peer ms",
                "ours ms", "peer re", "ours re", "fresh", "reused");
    for (const char* set : Sets)
        for (const TPicture& picture : Pictures) {
            const std::string base = std::string(set) + "/" + picture.Name + "/";
            const double peer = find(base + "Peer/Fresh"), ours = find(base + "Ours/Fresh");
            const double peerReused = find(base + "Peer/Reused"),
                         oursReused = find(base + "Ours/Reused");
            if (peer < 0 && ours < 0 && peerReused < 0 && oursReused < 0)
                continue;
            const auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; };
            std::printf("%-5s %-23s %-14s %9.1f %9.1f %9.1f %9.1f %7.2f %7.2f\n", set, picture.Name,
                        picture.Peer, peer, ours, peerReused, oursReused, ratio(ours, peer),
                        ratio(oursReused, peerReused));
        }
}

} // namespace

int main(int argc, char** argv) {
    RegisterFileFormats(nullptr);
    for (const char* set : Sets)
        for (const TPicture& picture : Pictures)
            for (const bool reuse : {false, true}) {
                const std::string path = (PictureDirectory() / set / picture.Name).string();
                const std::string name = std::string(set) + "/" + picture.Name + "/";
                const char* how = reuse ? "Reused" : "Fresh";
                benchmark::RegisterBenchmark((name + "Ours/" + how).c_str(), Ours, path, reuse)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1);
                benchmark::RegisterBenchmark((name + "Peer/" + how).c_str(), Peer, path,
                                             picture.Decode, reuse)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1);
            }
    // Defaults first, so that the command line overrides them.
    std::vector<char*> arguments{argv[0]};
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    arguments.push_back(repetitions.data());
    arguments.push_back(aggregates.data());
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    if (!MakePictures()) {
        std::fprintf(stderr, "bench_load: making the pictures failed\n");
        return 1;
    }
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
