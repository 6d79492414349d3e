// What one visible step costs when browsing 2-megapixel photos: GoNext shows the neighbour
// decoded ahead (copy, fit, paint of a 1920 x 1080 screen, pending events), then decodes the
// new neighbour. The clock readings the viewer takes around showing and loading split each
// step into the visible part and the decode, in wall and processor time.
#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "display/FastIMG.h"
#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace {
constexpr int PictureCount = 200;
constexpr int PictureWidth = 1632; // x 1224 = 2.0 MP
constexpr int PictureHeight = 1224;

struct TMark {
    double Wall; // seconds
    double Cpu;
};

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TMark Now() {
    return {WallSeconds(), CpuSeconds()};
}

// The desktop's services, with every clock reading the viewer takes remembered precisely.
class TimedServices : public QtPlatformServices {
public:
    std::vector<TMark> Marks;
    int32_t MillisecondsSinceMidnight() override {
        Marks.push_back(Now());
        return QtPlatformServices::MillisecondsSinceMidnight();
    }
};

// Photo-like content: smooth gradients with fine noise, different in every picture.
void WritePictures(const QString& directory) {
    uint32_t seed = 12345;
    for (int number = 0; number < PictureCount; ++number) {
        QImage picture(PictureWidth, PictureHeight, QImage::Format_RGB888);
        for (int y = 0; y < PictureHeight; ++y) {
            uchar* row = picture.scanLine(y);
            for (int x = 0; x < PictureWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 28);
                row[x * 3] = uchar((x / 7 + number * 13 + noise) & 255);
                row[x * 3 + 1] = uchar((y / 5 + noise) & 255);
                row[x * 3 + 2] = uchar(((x + y) / 11 + number * 7) & 255);
            }
        }
        picture.save(QDir(directory).filePath(QString::asprintf("photo-%03d.jpg", number)), "JPEG",
                     90);
    }
}

void BM_StepThroughPhotos(benchmark::State& state) {
    QTemporaryDir directory;
    WritePictures(directory.path());
    TimedServices services;
    TfrmMain window(services, {directory.path().toStdString()}, "/nonexistent/pelorama");
    window.show();
    window.ApplicationActivate();
    const bool filtered = state.range(0) != 0;
    if (window.actFiltering->isChecked() != filtered)
        window.actFilteringExecute();

    const int64_t paintsBefore = window.DisplaySurface->PaintCount();
    double visibleCpu = 0;
    double copyWall = 0;
    double fitPaintWall = 0;
    double decodeWall = 0;
    double decodeCpu = 0;
    int64_t decodes = 0;
    for (auto _ : state) {
        services.Marks.clear();
        const TMark start = Now();
        window.GoNext();
        const TMark end = Now();
        // Show start, fit start, fit end, show end; then load start and end when there is a
        // new neighbour to decode.
        const bool decoded = services.Marks.size() >= 6;
        const TMark visibleEnd = decoded ? services.Marks[4] : end;
        state.SetIterationTime(visibleEnd.Wall - start.Wall);
        visibleCpu += visibleEnd.Cpu - start.Cpu;
        copyWall += services.Marks[1].Wall - services.Marks[0].Wall;
        fitPaintWall += services.Marks[2].Wall - services.Marks[1].Wall;
        if (decoded) {
            decodeWall += services.Marks[5].Wall - services.Marks[4].Wall;
            decodeCpu += services.Marks[5].Cpu - services.Marks[4].Cpu;
            ++decodes;
        }
    }
    const double steps = double(state.iterations());
    // One paint per step shows that the picture really reached the (offscreen) screen.
    state.counters["paints_per_step"] =
        double(window.DisplaySurface->PaintCount() - paintsBefore) / steps;
    state.counters["visible_cpu_ms"] = visibleCpu * 1000 / steps;
    // The visible step's parts: the copy into the display buffer, then the fit with its paint.
    state.counters["copy_ms"] = copyWall * 1000 / steps;
    state.counters["fit_paint_ms"] = fitPaintWall * 1000 / steps;
    state.counters["decode_wall_ms"] = decodes ? decodeWall * 1000 / double(decodes) : 0;
    state.counters["decode_cpu_ms"] = decodes ? decodeCpu * 1000 / double(decodes) : 0;
    state.SetLabel(filtered ? "2 MP JPEG, 1920 x 1080 screen, filtered"
                            : "2 MP JPEG, 1920 x 1080 screen, plain stretch");
}
BENCHMARK(BM_StepThroughPhotos)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(PictureCount - 1); // from the first picture to the last

// A 1920 x 1080 primary screen for the offscreen platform.
void UseFullHdOffscreenScreen(const std::string& configPath) {
    if (std::getenv("QT_QPA_PLATFORM"))
        return;
    std::ofstream(configPath) << R"({"screens": [{"name": "bench", "x": 0, "y": 0,)"
                              << R"( "width": 1920, "height": 1080, "logicalDpi": 96}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + configPath).c_str(), 1);
}
} // namespace

int main(int argc, char** argv) {
    const std::string config = (QDir::tempPath() + "/pelorama-bench-screen.json").toStdString();
    UseFullHdOffscreenScreen(config);
    RegisterFileFormats(&TMetafile::ClassInfo);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnregisterFileFormats();
    std::remove(config.c_str());
    return 0;
}
