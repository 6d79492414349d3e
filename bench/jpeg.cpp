// A 24-megapixel JPEG, baseline and progressive, decoded three ways in one binary:
//   Libjpeg      libjpeg-turbo straight into one blue-green-red buffer (the library's own cost)
//   JPEGImage    our picture class: load from a stream, decode into its bitmap
//   ViewerPath   as pelorama-decode loads it: the above, then drawn onto a white 24-bit canvas
// The goal is JPEGImage within 10 % of Libjpeg.
#include "PhotoLikePicture.h"
#include "formats/JPEGImage.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;

const std::vector<uint8_t>& Encoded(bool progressive) {
    static std::vector<uint8_t> files[2];
    std::vector<uint8_t>& file = files[progressive];
    if (file.empty()) {
        TJPEGImage image;
        image.Assign(MakePhotoLikeBitmap(PictureWidth, PictureHeight));
        image.ProgressiveEncoding = progressive;
        TMemoryStream stream;
        image.SaveToStream(stream);
        file = stream.Memory();
    }
    return file;
}

// Decodes into a new buffer, as every load of a picture must; returns it for freeing.
uint8_t* DecodeWithLibjpeg(const std::vector<uint8_t>& file) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors); // the benchmark's own file is valid
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const size_t stride = (size_t(info.output_width) * 3 + 3) & ~size_t(3);
    auto* pixels = static_cast<uint8_t*>(std::malloc(stride * info.output_height));
    std::vector<JSAMPROW> rows(info.output_height);
    for (JDIMENSION y = 0; y < info.output_height; ++y)
        rows[y] = pixels + y * stride;
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                            info.output_height - info.output_scanline);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

void Libjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = Encoded(state.range(0) != 0);
    for (auto _ : state) {
        uint8_t* pixels = DecodeWithLibjpeg(file);
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
    state.counters["MB"] = double(file.size()) / 1e6;
}

// Our path, optionally followed by the viewer's drawing onto a white canvas.
void DecodeWithJPEGImage(benchmark::State& state, bool drawOnCanvas) {
    const std::vector<uint8_t>& file = Encoded(state.range(0) != 0);
    TMemoryStream stream(file.data(), file.size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TJPEGImage image;
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Bitmap().ScanLine(0));
        if (!drawOnCanvas)
            continue;
        TBitmap canvas;
        canvas.SetPixelFormat(TPixelFormat::pf24bit);
        canvas.SetSize(image.Width(), image.Height());
        canvas.Fill({255, 255, 255});
        image.Draw(canvas, 0, 0);
        benchmark::DoNotOptimize(canvas.ScanLine(0));
    }
}

void JPEGImage(benchmark::State& state) {
    DecodeWithJPEGImage(state, false);
}

void ViewerPath(benchmark::State& state) {
    DecodeWithJPEGImage(state, true);
}

} // namespace

// Argument 0: baseline, 1: progressive. Interleaved so that machine load hits all alike.
BENCHMARK(Libjpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(JPEGImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(ViewerPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK_MAIN();
