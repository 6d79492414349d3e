// What building the file list of a large picture folder costs: 20,000 files in 200
// directories (one in five not a picture), scanned recursively, sorted and logged.
#include "app/MainWindow.h"
#include "app/QtPlatformServices.h"
#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"

#include <QAction>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
constexpr int TopDirectories = 20;
constexpr int SubDirectories = 10;
constexpr int FilesPerDirectory = 100;

// Empty files are enough: the list is built from names alone.
std::filesystem::path MakeTree() {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "pelorama-bench-file-list";
    std::filesystem::remove_all(root);
    const char* extensions[] = {".jpg", ".PNG", ".gif", ".bmp", ".txt"};
    for (int top = 0; top < TopDirectories; ++top)
        for (int sub = 0; sub < SubDirectories; ++sub) {
            const std::filesystem::path directory =
                root / ("Album " + std::to_string(top)) / ("day" + std::to_string(sub));
            std::filesystem::create_directories(directory);
            for (int file = 0; file < FilesPerDirectory; ++file)
                std::ofstream(directory / ("IMG_" + std::to_string(file * 7919 % 1000) + "_" +
                                           std::to_string(file) + extensions[file % 5]));
        }
    return root;
}

void BM_BuildFileList(benchmark::State& state) {
    const std::filesystem::path root = MakeTree();
    QtPlatformServices services;
    // The first activation learns the registered extensions and lists the tree once.
    TfrmMain window(services, {root.string()}, "/nonexistent/pelorama");
    window.actRecurseSubDir->setChecked(true);
    window.ApplicationActivate();
    for (auto _ : state) {
        window.DebugLines(); // no colour count may come for a line cleared
        window.DebugLog.clear();
        window.BuildFileList(root.string());
        benchmark::DoNotOptimize(window.FileList->data());
    }
    state.counters["files"] = double(window.FileList->size());
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_BuildFileList)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    RegisterFileFormats(&TMetafile::ClassInfo);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnregisterFileFormats();
    return 0;
}
