// What one visible step costs when browsing 2-megapixel photos: GoNext shows the neighbour
// decoded ahead (copy, fit, paint of a 1920 x 1080 screen, pending events), then starts the
// decode of the new neighbour on the worker thread. Each step comes once that decode has
// arrived, as for a user who looks at each picture. The clock readings the viewer takes
// around showing split the step into its parts; processor time is the window thread's.
// BM_HoldPageDown steps through the same photos as fast as a held key repeats.
#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "display/FastIMG.h"
#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QInputDevice>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <thread>

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
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
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
void WritePictures(const QString& directory, int count = PictureCount, int width = PictureWidth,
                   int height = PictureHeight) {
    uint32_t seed = 12345;
    for (int number = 0; number < count; ++number) {
        QImage picture(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y) {
            uchar* row = picture.scanLine(y);
            for (int x = 0; x < width; ++x) {
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
    double decodeMs = 0;
    int64_t decodes = 0;
    for (auto _ : state) {
        while (window.DecodingNeighbours())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The worker's own timing of the neighbour just decoded.
        const auto load =
            std::find_if(window.DebugLog.rbegin(), window.DebugLog.rend(),
                         [](const std::string& line) { return line.rfind("Load: ", 0) == 0; });
        if (load != window.DebugLog.rend()) {
            decodeMs += std::atof(load->c_str() + 6);
            ++decodes;
        }
        services.Marks.clear();
        const TMark start = Now();
        window.GoNext();
        const TMark end = Now();
        // Show start, fit start, fit end, show end.
        state.SetIterationTime(end.Wall - start.Wall);
        visibleCpu += end.Cpu - start.Cpu;
        copyWall += services.Marks[1].Wall - services.Marks[0].Wall;
        fitPaintWall += services.Marks[2].Wall - services.Marks[1].Wall;
    }
    const double steps = double(state.iterations());
    // One paint per step shows that the picture really reached the (offscreen) screen.
    state.counters["paints_per_step"] =
        double(window.DisplaySurface->PaintCount() - paintsBefore) / steps;
    state.counters["visible_cpu_ms"] = visibleCpu * 1000 / steps;
    // The visible step's parts: the copy into the display buffer, then the fit with its paint.
    state.counters["copy_ms"] = copyWall * 1000 / steps;
    state.counters["fit_paint_ms"] = fitPaintWall * 1000 / steps;
    state.counters["decode_ms"] = decodes ? decodeMs / double(decodes) : 0;
    state.SetLabel(filtered ? "2 MP JPEG, 1920 x 1080 screen, filtered"
                            : "2 MP JPEG, 1920 x 1080 screen, plain stretch");
}
BENCHMARK(BM_StepThroughPhotos)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(PictureCount - 1); // from the first picture to the last

// The application, timing the handling of every event while asked to.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    // The receiver, the event's type, and when its handling began and ended (seconds).
    std::function<void(QObject*, QEvent::Type, double, double)> Handled;
    bool notify(QObject* receiver, QEvent* event) override {
        if (!Handled)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const double start = WallSeconds();
        const bool result = QApplication::notify(receiver, event);
        Handled(receiver, type, start, WallSeconds());
        return result;
    }
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// Holding Page Down through the photos at 20 key repeats a second: a thread of its own posts a
// key press every 50 ms, whatever the window is doing, as a keyboard's auto-repeat arrives.
// For each key: from its posting to the start of its handling (how long the window kept it
// waiting), and to the end of the first paint of the display surface after that (the picture
// it asked for on screen). Steps nest (a step handles pending events once its picture is
// painted), so the end of a key's handling says nothing.
void BM_HoldPageDown(benchmark::State& state) {
    QTemporaryDir directory;
    WritePictures(directory.path());
    QtPlatformServices services;
    TfrmMain window(services, {directory.path().toStdString()}, "/nonexistent/pelorama");
    window.show();
    window.ApplicationActivate();
    while (window.DecodingNeighbours())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto& application = static_cast<TTimedApplication&>(*qApp);
    const int keys = PictureCount - 1;

    std::vector<double> posted(size_t(keys), 0), began, paints;
    // Made here: a key event made on the keyboard's thread would make it there.
    const QInputDevice* keyboardDevice = QInputDevice::primaryKeyboard();
    for (auto _ : state) {
        application.Handled = [&](QObject* receiver, QEvent::Type type, double start, double end) {
            if (receiver == &window && type == QEvent::KeyPress) {
                began.push_back(start);
            } else if (receiver == window.DisplaySurface && type == QEvent::Paint) {
                paints.push_back(end);
            }
        };
        std::thread keyboard([&] {
            const auto first = std::chrono::steady_clock::now();
            for (int key = 0; key < keys; ++key) {
                std::this_thread::sleep_until(first + std::chrono::milliseconds(50 * key));
                posted[size_t(key)] = WallSeconds(); // read once the thread is joined
                QCoreApplication::postEvent(
                    &window, new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, 0, 0,
                                           0, QString(), true, 1, keyboardDevice));
            }
        });
        while (int(began.size()) < keys || window.DecodingNeighbours())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        keyboard.join();
        application.Handled = nullptr;
    }
    std::vector<double> keyLatency, paintLatency;
    size_t paint = 0;
    for (size_t key = 0; key < size_t(keys); ++key) {
        // Keys are handled in the order they were posted, nested or not.
        keyLatency.push_back((began[key] - posted[key]) * 1000);
        while (paint < paints.size() && paints[paint] < began[key])
            ++paint;
        if (paint < paints.size())
            paintLatency.push_back((paints[paint] - posted[key]) * 1000);
    }
    const auto over = [](const std::vector<double>& values) {
        return double(
            std::count_if(values.begin(), values.end(), [](double ms) { return ms > 50; }));
    };
    state.counters["key_worst_ms"] = Percentile(keyLatency, 1.0);
    state.counters["key_p99_ms"] = Percentile(keyLatency, 0.99);
    state.counters["keys_over_50ms"] = over(keyLatency);
    state.counters["paint_worst_ms"] = Percentile(paintLatency, 1.0);
    state.counters["paint_p99_ms"] = Percentile(paintLatency, 0.99);
    state.counters["paints_over_50ms"] = over(paintLatency);
    state.counters["shown_last"] = window.CurrentIndex == PictureCount - 1;
    state.SetLabel("199 Page Down presses 50 ms apart, 2 MP JPEG, 1920 x 1080 screen");
}
BENCHMARK(BM_HoldPageDown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Kilobytes of the process's status field ("VmRSS", "VmHWM").
double StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atof(line.c_str() + field.size() + 1);
    return 0;
}

// Resident memory while browsing 24-megapixel photos, each step once the neighbour has been
// decoded (as for a user who looks at each picture). The bound: five pictures' worth (the
// three cached, the display buffer and one in the making) plus 64 MB.
void BM_BrowseLargePhotos(benchmark::State& state) {
    constexpr int Count = 12;
    constexpr int Width = 6000;
    constexpr int Height = 4000;
    QTemporaryDir directory;
    WritePictures(directory.path(), Count, Width, Height);
    // The peak so far was the making of the pictures: it starts again here.
    std::ofstream("/proc/self/clear_refs") << "5";
    QtPlatformServices services;
    TfrmMain window(services, {directory.path().toStdString()}, "/nonexistent/pelorama");
    window.show();
    window.ApplicationActivate();
    double mostResident = 0;
    for (auto _ : state) {
        while (window.DecodingNeighbours())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window.GoNext();
        mostResident = std::max(mostResident, StatusKilobytes("VmRSS"));
    }
    const double pictureMB = double(Width) * Height * 3 / 1e6;
    state.counters["rss_max_mb"] = mostResident * 1024 / 1e6;
    state.counters["hwm_mb"] = StatusKilobytes("VmHWM") * 1024 / 1e6;
    state.counters["bound_mb"] = 5 * pictureMB + 64;
    state.SetLabel("24 MP JPEG, steps after each neighbour's decode");
}
BENCHMARK(BM_BrowseLargePhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(11);

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
    TTimedApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnregisterFileFormats();
    std::remove(config.c_str());
    return 0;
}
