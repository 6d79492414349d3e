// The pixel buffer's whole-picture passes on a 24-megapixel picture, each beside memcpy of
// the same bytes (the bandwidth floor), and the bilinear reduction beside Qt's smooth scaling.
#include "platform/Bitmap.h"
#include "raster/FastBMP.h"
#include "raster/FastFX.h"
#include "raster/FastRotate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>

#ifdef HAVE_QTGUI
#include <QImage>
#endif

namespace {

constexpr int32_t PictureWidth = 6000;
constexpr int32_t PictureHeight = 4000;
constexpr int32_t ScaledWidth = 1920;
constexpr int32_t ScaledHeight = 1280;

// Smooth gradients with a little noise: about as many distinct colours as a photograph.
const TFastBMP& Picture() {
    static TFastBMP picture;
    if (picture.Width == 0) {
        picture.SetSize(PictureWidth, PictureHeight);
        uint32_t seed = 12345;
        for (int32_t y = 0; y < PictureHeight; ++y) {
            uint8_t* p = picture.RowTable[size_t(y)];
            for (int32_t x = 0; x < PictureWidth; ++x, p += 3) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 28) - 8;
                p[0] = uint8_t(std::clamp(x * 255 / PictureWidth + noise, 0, 255));
                p[1] = uint8_t(std::clamp(y * 255 / PictureHeight - noise, 0, 255));
                p[2] = uint8_t(std::clamp((x + y) * 255 / (PictureWidth + PictureHeight) +
                                              int(seed >> 24 & 15) - 8,
                                          0, 255));
            }
        }
    }
    return picture;
}

// Megapixels of the source picture per second of wall time.
void CountPixels(benchmark::State& state, int64_t pixels) {
    state.counters["MP/s"] = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state) {
    const TFastBMP& source = Picture();
    TFastBMP target;
    target.AssignPixels(source); // pages touched before timing
    for (auto _ : state) {
        std::memcpy(target.PixelData, source.PixelData, size_t(source.ByteSize));
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t(source.Width) * source.Height);
}

void InPlace(benchmark::State& state, const std::function<void(TFastRGB&)>& effect) {
    TFastBMP buffer;
    buffer.AssignPixels(Picture());
    for (auto _ : state) {
        effect(buffer);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t(buffer.Width) * buffer.Height);
}

void BM_MakeGrayscale(benchmark::State& state) {
    InPlace(state, MakeGrayscale);
}
void BM_InvertColors(benchmark::State& state) {
    InPlace(state, InvertColors);
}
void BM_FlipHorizontal(benchmark::State& state) {
    InPlace(state, FlipHorizontal);
}
void BM_FlipVertical(benchmark::State& state) {
    InPlace(state, FlipVertical);
}

void BM_ColorCount(benchmark::State& state) {
    const TFastBMP& picture = Picture();
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.ColorCount());
    CountPixels(state, int64_t(picture.Width) * picture.Height);
}

void BM_RotateQuarter(benchmark::State& state) {
    const TFastBMP& picture = Picture();
    TFastBMP target;
    RotateQuarter(picture, target, int64_t(state.range(0)));
    for (auto _ : state) {
        RotateQuarter(picture, target, int64_t(state.range(0)));
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t(picture.Width) * picture.Height);
}

// A decoded 24-bit bitmap into a buffer of the same size, whose storage is reused.
void BM_LoadFromBitmapHandle(benchmark::State& state) {
    const TFastBMP& picture = Picture();
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(picture.Width, picture.Height);
    for (int32_t y = 0; y < picture.Height; ++y)
        std::memcpy(bitmap.ScanLine(y), picture.RowTable[size_t(picture.Height - 1 - y)],
                    size_t(picture.Width) * 3);
    TFastBMP buffer;
    buffer.LoadFromBitmapHandle(bitmap);
    for (auto _ : state) {
        buffer.LoadFromBitmapHandle(bitmap);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t(picture.Width) * picture.Height);
}

void BM_ResizeBilinear(benchmark::State& state) {
    TFastBMP& picture = const_cast<TFastBMP&>(Picture());
    TFastBMP target;
    target.SetSize(ScaledWidth, ScaledHeight);
    for (auto _ : state) {
        picture.ResizeBilinear(target);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t(picture.Width) * picture.Height);
}

#ifdef HAVE_QTGUI
void QtSmoothScale(benchmark::State& state, QImage::Format format) {
    const TFastBMP& picture = Picture();
    const QImage wrapped(picture.PixelData, picture.Width, picture.Height, picture.RowStride,
                         QImage::Format_BGR888);
    const QImage image = wrapped.convertToFormat(format);
    for (auto _ : state) {
        QImage scaled = image.scaled(ScaledWidth, ScaledHeight, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
    CountPixels(state, int64_t(picture.Width) * picture.Height);
}

// Qt's fastest smooth path (32 bits per pixel) and the buffer's own 24-bit layout.
void BM_QtSmoothScaleRGB32(benchmark::State& state) {
    QtSmoothScale(state, QImage::Format_RGB32);
}
void BM_QtSmoothScaleBGR888(benchmark::State& state) {
    QtSmoothScale(state, QImage::Format_BGR888);
}
#endif

} // namespace

// Wall time throughout: Qt may spread its scaling over threads.
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MakeGrayscale)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InvertColors)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlipHorizontal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColorCount)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RotateQuarter)
    ->Arg(90)
    ->Arg(-90)
    ->Arg(180)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_LoadFromBitmapHandle)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResizeBilinear)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef HAVE_QTGUI
BENCHMARK(BM_QtSmoothScaleRGB32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSmoothScaleBGR888)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

BENCHMARK_MAIN();
