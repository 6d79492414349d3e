// The TIFF reader against libtiff on the same bytes in memory: a 24-megapixel RGB
// photograph-like picture stored five ways, and an A4 fax page at 200 dpi. Both sides unpack
// every strip of the file into memory; ours also converts the rows into its bitmap. Before
// any timing each file is decoded once by both and the pixels compared, so that a side that
// skips work or fails shows up as an error instead of a fast figure.
#include "formats/LibtiffMemoryFile.h"
#include "formats/TIFFGraphic.h"
#include "platform/Streams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef HAVE_LIBTIFF
#include <tiffio.h>

namespace {

using TBytes = std::vector<uint8_t>;

constexpr uint32_t PhotoWidth = 6000;
constexpr uint32_t PhotoHeight = 4000;
constexpr uint32_t FaxWidth = 1728; // A4 at 200 dpi
constexpr uint32_t FaxHeight = 2339;

// Smooth gradients with a little noise, so that the compressors see photograph-like data.
TBytes PhotoRow(uint32_t y) {
    TBytes row(size_t(PhotoWidth) * 3);
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
TBytes FaxRow(uint32_t y) {
    TBytes row((FaxWidth + 7) / 8, 0);
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

void Check(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error(what);
}

struct TCase {
    uint16_t Compression;
    uint16_t Predictor;
    bool Fax;
};

// 0 none, 1 LZW, 2 LZW + predictor, 3 deflate, 4 PackBits, 5 group 3 fax page.
constexpr TCase Cases[] = {
    {COMPRESSION_NONE, 0, false},
    {COMPRESSION_LZW, 0, false},
    {COMPRESSION_LZW, PREDICTOR_HORIZONTAL, false},
    {COMPRESSION_ADOBE_DEFLATE, 0, false},
    {COMPRESSION_PACKBITS, 0, false},
    {COMPRESSION_CCITTFAX3, 0, true},
};

TBytes WriteFile(const TCase& c) {
    TLibtiffMemoryFile file;
    TIFF* tif = file.Open("w");
    Check(tif != nullptr, "libtiff cannot open a file for writing");
    const uint32_t width = c.Fax ? FaxWidth : PhotoWidth;
    const uint32_t height = c.Fax ? FaxHeight : PhotoHeight;
    bool ok =
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) &&
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.Fax ? 1 : 8) &&
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, c.Fax ? 1 : 3) &&
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.Fax ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB) &&
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tif, TIFFTAG_COMPRESSION, c.Compression) &&
        (!c.Predictor || TIFFSetField(tif, TIFFTAG_PREDICTOR, c.Predictor)) &&
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    for (uint32_t y = 0; ok && y < height; ++y) {
        TBytes row = c.Fax ? FaxRow(y) : PhotoRow(y);
        ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    Check(ok, "libtiff cannot write the benchmark file");
    return {file.Bytes().begin(), file.Bytes().end()};
}

// Scan lines in memory that is not cleared first, as the bitmap's pages are not touched
// before the reader writes them.
struct TRows {
    std::unique_ptr<uint8_t[]> Data;
    size_t Size = 0;
};

// Every strip unpacked into one buffer of scan lines; any short or failed strip throws.
TRows DecodeWithLibtiff(TLibtiffMemoryFile& file) {
    TIFF* tif = file.Open("r");
    Check(tif != nullptr, "libtiff cannot open the file");
    uint32_t height = 0, rowsPerStrip = 0;
    const tmsize_t rowBytes = TIFFScanlineSize(tif);
    const bool ok = TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) &&
                    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) &&
                    rowBytes > 0 && rowsPerStrip > 0;
    TRows output;
    if (ok) {
        output.Size = size_t(rowBytes) * height;
        output.Data.reset(new uint8_t[output.Size]);
        const tstrip_t strips = TIFFNumberOfStrips(tif);
        uint32_t row = 0;
        for (tstrip_t strip = 0; strip < strips && row < height; ++strip) {
            const uint32_t rows = std::min(rowsPerStrip, height - row);
            const tmsize_t expected = tmsize_t(rows) * rowBytes;
            if (TIFFReadEncodedStrip(tif, strip, output.Data.get() + size_t(row) * rowBytes,
                                     expected) != expected)
                break;
            row += rows;
        }
        if (row != height)
            output.Size = 0;
    }
    TIFFClose(tif);
    Check(output.Size != 0, "libtiff did not decode every strip");
    return output;
}

// The bitmap's rows in the file's own layout: RGB from our BGR, bits as they are.
TBytes RowsOf(const TTIFFGraphic& picture, size_t rowBytes, bool swapRedBlue) {
    TBytes rows(rowBytes * size_t(picture.Height()));
    for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* out = rows.data() + size_t(y) * rowBytes;
        std::memcpy(out, picture.ScanLine(y), rowBytes);
        if (swapRedBlue)
            for (size_t x = 0; x + 2 < rowBytes; x += 3)
                std::swap(out[x], out[x + 2]);
    }
    return rows;
}

// A benchmark file's bytes, and libtiff's view of them.
struct TStoredFile {
    explicit TStoredFile(TBytes data) : Data(std::move(data)), Libtiff(Data) {}
    const TBytes Data;
    TLibtiffMemoryFile Libtiff;
};

TStoredFile& File(int kind) {
    static std::unique_ptr<TStoredFile> files[std::size(Cases)];
    if (!files[kind]) {
        auto file = std::make_unique<TStoredFile>(WriteFile(Cases[kind]));
        const TRows decoded = DecodeWithLibtiff(file->Libtiff);
        const TBytes reference(decoded.Data.get(), decoded.Data.get() + decoded.Size);
        TMemoryStream stream(file->Data.data(), file->Data.size());
        TTIFFGraphic picture;
        picture.LoadFromStream(stream);
        Check(RowsOf(picture, reference.size() / size_t(picture.Height()), !Cases[kind].Fax) ==
                  reference,
              "the reader's pixels differ from libtiff's");
        files[kind] = std::move(file);
    }
    return *files[kind];
}

void BM_Pelorama(benchmark::State& state) {
    try {
        TStoredFile& file = File(int(state.range(0)));
        TMemoryStream stream(file.Data.data(), file.Data.size());
        for (auto _ : state) {
            stream.SetPosition(0);
            TTIFFGraphic picture;
            picture.LoadFromStream(stream);
            benchmark::DoNotOptimize(picture.ScanLine(picture.Height() - 1));
        }
        state.counters["MB"] = double(file.Data.size()) / 1e6;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void BM_Libtiff(benchmark::State& state) {
    try {
        TStoredFile& file = File(int(state.range(0)));
        for (auto _ : state) {
            TRows output = DecodeWithLibtiff(file.Libtiff);
            benchmark::DoNotOptimize(output.Data.get());
        }
        state.counters["MB"] = double(file.Data.size()) / 1e6;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

BENCHMARK(BM_Pelorama)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace
#endif

BENCHMARK_MAIN();
