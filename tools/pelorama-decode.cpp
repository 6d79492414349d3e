// Decodes picture files with the viewer's own loader and prints what the viewer would write
// to its debug log for each; optionally writes the 24-bit result as a binary PPM.
//
//   pelorama-decode [--ppm OUT] [--no-orientation] [--no-profiles] FILE...
//   pelorama-decode --formats
//
// --formats lists the registered extensions in registration order, one a line: the
// extension, a tab, the description the platform was given; then one line for each format
// this build cannot read, without a tab: "missing: " + the extension + " needs " + package.
// --no-orientation and --no-profiles load as the viewer does with its settings
// ApplyOrientation=0 and ApplyColorProfiles=0: EXIF orientations and colour profiles ignored.
// With several files, OUT gets the file's position as a suffix: out.ppm becomes out-1.ppm,
// out-2.ppm ... Files that fail to decode write no PPM. Exit code 0 when every file decoded.
#include "formats/FileFormatList.h"
#include "formats/OptionalFormats.h"
#include "platform/Bitmap.h"
#include "platform/MetadataOptions.h"
#include "platform/PictureClassTable.h"
#include "platform/PictureLimits.h"
#include "raster/FastBMP.h"
#include "raster/LoadedPicture.h"

#ifdef HAVE_METAFILE
#include "metafile/Metafile.h"

#include <QGuiApplication>
#include <cstdlib>
#endif

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

#ifdef HAVE_METAFILE
const TGraphicClass MetafileClass = &TMetafile::ClassInfo;
#else
const TGraphicClass MetafileClass = nullptr; // built without Qt: no wmf and emf
#endif

void PrintFormats() {
    for (const auto& entry : FormatRegistry().ExtensionEntries()) {
        const TPictureClassTable::TEntry* platform =
            PictureClassTable().FindEntry(entry->Extension);
        std::printf("%s\t%s\n", entry->Extension.c_str(),
                    platform ? platform->Description.c_str() : "");
    }
    for (const TOptionalFormat& format : OptionalFormats())
        if (!format.GraphicClass)
            std::printf("missing: %s needs %s\n", format.Extension, format.Library);
}

// The viewer's load: the picture drawn over white into the pixel buffer, in sRGB, upright.
void LoadPicture(const std::string& path, TFastBMP& buffer) {
    const TPictureLoadScope load; // decoding, drawing and the copy share one memory budget
    LoadPictureBuffer(path, buffer);
}

bool WritePpm(const std::string& fileName, const TFastBMP& buffer) {
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", buffer.Width, buffer.Height);
    std::vector<uint8_t> rgb(size_t(buffer.Width) * 3);
    for (int32_t row = buffer.Height - 1; row >= 0; --row) {
        const uint8_t* bgr = buffer.RowTable[size_t(row)];
        for (size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = bgr[i + 2];
            rgb[i + 1] = bgr[i + 1];
            rgb[i + 2] = bgr[i];
        }
        std::fwrite(rgb.data(), 1, rgb.size(), file);
    }
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

std::string IndexedName(const std::string& fileName, size_t index) {
    const std::filesystem::path path(fileName);
    std::filesystem::path indexed = path.parent_path() / path.stem();
    indexed += "-" + std::to_string(index) + path.extension().string();
    return indexed.string();
}

int64_t Milliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Decodes one file and prints its log block; false when it failed.
bool DecodeFile(const std::string& path, const std::string& ppm) {
    std::printf("\n===== %s =====\n", std::filesystem::path(path).filename().c_str());
    const int64_t start = Milliseconds();
    TFastBMP buffer;
    try {
        LoadPicture(path, buffer);
    } catch (const std::exception& error) {
        std::printf("*Error*: Unable to load %s\n%s\n", path.c_str(), error.what());
        return false;
    }
    const int64_t end = Milliseconds();
    std::printf("Dimensions: %dx%d\n", buffer.Width, buffer.Height);
    std::printf("Colors: %d\n", buffer.ColorCount());
    std::printf("Size: %d bytes (uncompressed)\n", buffer.ByteSize);
    std::printf("Load: %lld ms\n", static_cast<long long>(end - start));
    if (!ppm.empty() && !WritePpm(ppm, buffer)) {
        std::fprintf(stderr, "pelorama-decode: cannot write %s\n", ppm.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string ppm;
    std::vector<std::string> files;
    bool listFormats = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--formats")
            listFormats = true;
        else if (argument == "--no-orientation")
            MetadataOptions().Orientation = false;
        else if (argument == "--no-profiles")
            MetadataOptions().ColorProfiles = false;
        else if (argument == "--ppm" && i + 1 < argc)
            ppm = argv[++i];
        else
            files.push_back(argument);
    }
    if (files.empty() && !listFormats) {
        std::fprintf(stderr, "usage: pelorama-decode [--ppm OUT] [--no-orientation] "
                             "[--no-profiles] FILE...\n"
                             "       pelorama-decode --formats\n");
        return 1;
    }
#ifdef HAVE_METAFILE
    // Metafile text needs Qt's fonts, which need an application object; no window is shown,
    // and Qt's own notices would only mix with the log lines this tool prints.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication application(argc, argv);
#endif
    RegisterFileFormats(MetafileClass);
    if (listFormats)
        PrintFormats();
    bool allDecoded = true;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string out = ppm.empty() || files.size() == 1 ? ppm : IndexedName(ppm, i + 1);
        allDecoded = DecodeFile(files[i], out) && allDecoded;
    }
    UnregisterFileFormats();
    std::fflush(stdout);
    return allDecoded ? 0 : 1;
}
