// What one step to the next picture costs for a 24-megapixel photo: ShowPicture (the copy
// into the display buffer and the fit) and one paint of the display surface into a
// 1920 x 1080 screen, plain and filtered, fitted and zoomed far past the screen.
#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "display/FastIMG.h"
#include "display/QtDeviceContext.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {
constexpr int32_t PhotoWidth = 6000;
constexpr int32_t PhotoHeight = 4000;

std::unique_ptr<TFastBMP> Photo(bool portrait = false) {
    auto photo = std::make_unique<TFastBMP>();
    photo->SetSize(portrait ? PhotoHeight : PhotoWidth, portrait ? PhotoWidth : PhotoHeight);
    uint32_t seed = 12345;
    for (int32_t i = 0; i < photo->ByteSize; ++i) {
        seed = seed * 1664525u + 1013904223u;
        photo->PixelData[i] = uint8_t(seed >> 24);
    }
    return photo;
}

// Argument 0: every picture has the size of the last (the display buffer is reused).
// Argument 1: landscape and portrait alternate, so every step gets a new display buffer.
void BM_ShowPicture(benchmark::State& state) {
    QtPlatformServices services;
    TfrmMain window(services, {}, "/nonexistent/pelorama");
    const std::unique_ptr<TFastBMP> photos[2] = {Photo(), Photo(state.range(0) != 0)};
    window.ShowPicture(*photos[1]);
    size_t step = 0;
    for (auto _ : state) {
        window.ShowPicture(*photos[step++ % 2]);
        benchmark::DoNotOptimize(window.DisplayBuffer->PixelData);
    }
    state.SetLabel(state.range(0) ? "new size each step" : "same size");
}
BENCHMARK(BM_ShowPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One paint of the whole surface onto a screen-sized image, through the QPainter context.
void PaintOnce(TFastIMG& surface, QImage& screen) {
    QPainter painter(&screen);
    QtDeviceContext dc(painter);
    surface.PaintTo(dc);
}

void BM_PaintFullHd(benchmark::State& state) {
    const std::unique_ptr<TFastBMP> photo = Photo();
    TFastIMG surface(nullptr);
    surface.SetBuffer(photo.get());
    surface.SetDrawStyle(dsResize);
    surface.SetBilinearResize(state.range(0) != 0);
    surface.SetBounds(0, 0, 1920, 1080);
    QImage screen(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintOnce(surface, screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
    state.SetLabel(state.range(0) ? "filtered" : "plain stretch");
}
BENCHMARK(BM_PaintFullHd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A paint after zooming in three times as far (18000 x 12000, in full screen): only the part
// on the screen is resampled, so it costs about what a fitted paint costs.
void BM_PaintZoomedPastTheScreen(benchmark::State& state) {
    const std::unique_ptr<TFastBMP> photo = Photo();
    TFastIMG surface(nullptr);
    surface.SetBuffer(photo.get());
    surface.SetDrawStyle(dsResize);
    surface.SetBilinearResize(state.range(0) != 0);
    surface.SetBounds(-8000, -5000, 3 * PhotoWidth, 3 * PhotoHeight);
    QImage screen(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintOnce(surface, screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
    state.SetLabel(state.range(0) ? "filtered" : "plain stretch");
}
BENCHMARK(BM_PaintZoomedPastTheScreen)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole step: copy, fit and one filtered paint at 1920 x 1080 (goal: under 30 ms).
void BM_StepToNextPicture(benchmark::State& state) {
    QtPlatformServices services;
    TfrmMain window(services, {}, "/nonexistent/pelorama");
    const std::unique_ptr<TFastBMP> photo = Photo();
    TFastIMG& surface = *window.DisplaySurface;
    QImage screen(1920, 1080, QImage::Format_RGB32);
    window.ShowPicture(*photo);
    for (auto _ : state) {
        window.ShowPicture(*photo);
        surface.SetBounds(0, 0, 1920, 1080); // the fit of a 1920 x 1080 desktop
        PaintOnce(surface, screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(BM_StepToNextPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
