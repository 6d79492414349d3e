// The TIFF reader loading whole files against libtiff decoding the same files' strips:
// a 24-megapixel RGB photograph-like picture stored five ways, and a fax page.
#include "formats/TIFFGraphic.h"
#include "platform/Streams.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef HAVE_LIBTIFF
#include <tiffio.h>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t PhotoWidth = 6000;
constexpr uint32_t PhotoHeight = 4000;
constexpr uint32_t FaxWidth = 1728; // A4 at 200 dpi
constexpr uint32_t FaxHeight = 2339;

// Smooth gradients with a little noise, so that the compressors see photograph-like data.
Bytes PhotoRow(uint32_t y) {
    Bytes row(size_t(PhotoWidth) * 3);
    uint32_t seed = y * 2654435761u;
    for (uint32_t x = 0; x < PhotoWidth; ++x) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t noise = (seed >> 16) & 7;
        row[x * 3] = uint8_t((x / 24 + noise) & 255);
        row[x * 3 + 1] = uint8_t((y / 16 + x / 48 + noise) & 255);
        row[x * 3 + 2] = uint8_t(((x + y) / 32) & 255);
    }
    return row;
}

// Lines of "text": short black runs on white, blank lines between.
Bytes FaxRow(uint32_t y) {
    Bytes row((FaxWidth + 7) / 8, 0);
    if ((y / 12) % 3 == 2 || y < 100 || y > FaxHeight - 100)
        return row;
    uint32_t seed = (y / 2) * 2246822519u;
    for (uint32_t x = 100; x < FaxWidth - 100; x += 6) {
        seed = seed * 1103515245u + 12345u;
        if ((seed >> 16) % 3 == 0)
            for (uint32_t i = x; i < x + 3; ++i)
                row[i / 8] |= uint8_t(0x80 >> (i % 8));
    }
    return row;
}

struct TBenchFile {
    std::string Path;
    Bytes Contents;
    ~TBenchFile() { std::remove(Path.c_str()); }
};

std::unique_ptr<TBenchFile> WriteFile(uint16_t compression, uint16_t predictor, bool fax) {
    auto file = std::make_unique<TBenchFile>();
    char path[] = "/tmp/pelorama-tiff-bench-XXXXXX";
    const int handle = mkstemp(path);
    if (handle < 0)
        throw std::runtime_error("no temporary file");
    close(handle);
    file->Path = path;
    TIFF* tif = TIFFOpen(path, "w");
    const uint32_t width = fax ? FaxWidth : PhotoWidth;
    const uint32_t height = fax ? FaxHeight : PhotoHeight;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, fax ? 1 : 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, fax ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, fax ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (predictor)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    for (uint32_t y = 0; y < height; ++y) {
        Bytes row = fax ? FaxRow(y) : PhotoRow(y);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    file->Contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return file;
}

const TBenchFile& File(int kind) {
    static std::unique_ptr<TBenchFile> files[6];
    if (!files[kind]) {
        switch (kind) {
        case 0:
            files[kind] = WriteFile(COMPRESSION_NONE, 0, false);
            break;
        case 1:
            files[kind] = WriteFile(COMPRESSION_LZW, 0, false);
            break;
        case 2:
            files[kind] = WriteFile(COMPRESSION_LZW, PREDICTOR_HORIZONTAL, false);
            break;
        case 3:
            files[kind] = WriteFile(COMPRESSION_ADOBE_DEFLATE, 0, false);
            break;
        case 4:
            files[kind] = WriteFile(COMPRESSION_PACKBITS, 0, false);
            break;
        default:
            files[kind] = WriteFile(COMPRESSION_CCITTFAX3, 0, true);
            break;
        }
    }
    return *files[kind];
}

void BM_Pelorama(benchmark::State& state) {
    const TBenchFile& file = File(int(state.range(0)));
    for (auto _ : state) {
        TMemoryStream stream(file.Contents.data(), file.Contents.size());
        TTIFFGraphic picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    state.counters["MB"] = double(file.Contents.size()) / 1e6;
}

// The strips only, straight into one buffer: libtiff converts no colours here.
void BM_Libtiff(benchmark::State& state) {
    const TBenchFile& file = File(int(state.range(0)));
    TIFF* tif = TIFFOpen(file.Path.c_str(), "r");
    Bytes output(size_t(TIFFStripSize(tif)) * TIFFNumberOfStrips(tif));
    for (auto _ : state) {
        uint8_t* at = output.data();
        for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tif); ++strip)
            at += TIFFReadEncodedStrip(tif, strip, at, -1);
        benchmark::ClobberMemory();
    }
    TIFFClose(tif);
}

// 0 none, 1 LZW, 2 LZW + predictor, 3 deflate, 4 PackBits, 5 group 3 fax page.
BENCHMARK(BM_Pelorama)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace
#endif

BENCHMARK_MAIN();
