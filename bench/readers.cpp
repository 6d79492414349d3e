// Our readers beside the reference libraries on the same 24-megapixel files, and the raw
// formats beside a plain copy of their output.
#include "CopyFloor.h"
#include "formats/GIFGraphic.h"
#include "formats/PCXGraphic.h"
#include "formats/PNGGraphic.h"
#include "formats/PPMGraphic.h"
#include "formats/TargaGraphic.h"
#include "platform/Streams.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#ifdef HAVE_LIBPNG
#include <png.h>
#endif
#ifdef HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {

using TBytes = std::vector<uint8_t>;

constexpr int Width = 6000;
constexpr int Height = 4000;

// Smooth gradients with some noise and horizontal runs: compresses like a photograph with
// flat areas, neither trivially nor not at all.
uint8_t Sample(int x, int y, int channel) {
    const uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 29;
    return uint8_t((x / 3 + y / 2 + channel * 85) + ((x / 16) % 3 == 0 ? 0 : noise));
}

std::vector<TBytes> RgbRows(int channels) {
    std::vector<TBytes> rows(Height, TBytes(size_t(Width) * channels));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < channels; ++c)
                rows[y][size_t(x) * channels + c] =
                    c == 3 ? uint8_t(128 + (x & 127)) : Sample(x, y, c);
    return rows;
}

template <class TReader>
void DecodeWithReader(benchmark::State& state, const TBytes& file) {
    for (auto _ : state) {
        TMemoryStream stream(file.data(), file.size());
        TReader reader;
        reader.LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.ScanLine(0));
    }
}

#ifdef HAVE_LIBPNG
void WritePngData(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

TBytes MakePng(int colorType, bool interlaced) {
    const int channels = colorType == PNG_COLOR_TYPE_RGB    ? 3
                         : colorType == PNG_COLOR_TYPE_RGBA ? 4
                                                            : 1;
    const std::vector<TBytes> rows = RgbRows(channels);
    TBytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, WritePngData, nullptr);
    png_set_IHDR(png, info, Width, Height, 8, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 256; ++i)
            palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
        png_set_PLTE(png, info, palette, 256);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const TBytes& row : rows)
        pointers.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct TPngSource {
    const TBytes* File;
    size_t Pos;
};

void ReadPngData(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (source->Pos + length > source->File->size())
        png_error(png, "read past end");
    std::memcpy(data, source->File->data() + source->Pos, length);
    source->Pos += length;
}

void DecodeWithLibpng(benchmark::State& state, const TBytes& file) {
    for (auto _ : state) {
        TPngSource source{&file, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &source, ReadPngData);
        png_read_info(png, info);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info);
        TBytes image(rowBytes * Height);
        std::vector<png_bytep> rows(Height);
        for (int y = 0; y < Height; ++y)
            rows[y] = image.data() + rowBytes * y;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(image.data());
    }
}

const TBytes& PngFile(int kind) {
    static std::map<int, TBytes> files;
    auto found = files.find(kind);
    if (found != files.end())
        return found->second;
    const int colorTypes[] = {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA, PNG_COLOR_TYPE_RGB,
                              PNG_COLOR_TYPE_PALETTE};
    return files[kind] = MakePng(colorTypes[kind], kind == 2);
}

// 0 RGB, 1 RGBA, 2 interlaced RGB, 3 paletted.
void BM_PngOurs(benchmark::State& state) {
    DecodeWithReader<TPNGGraphic>(state, PngFile(int(state.range(0))));
}
void BM_PngLibpng(benchmark::State& state) {
    DecodeWithLibpng(state, PngFile(int(state.range(0))));
}
BENCHMARK(BM_PngOurs)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpng)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

#ifdef HAVE_GIFLIB
int WriteGifData(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<TBytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

const TBytes& GifFile() {
    static TBytes out;
    if (!out.empty())
        return out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteGifData, &error);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, Width, Height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, Width, Height, false, nullptr);
    const std::vector<TBytes> rows = RgbRows(1);
    for (const TBytes& row : rows)
        EGifPutLine(gif, const_cast<GifPixelType*>(row.data()), Width);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

struct TGifSource {
    const TBytes* File;
    size_t Pos;
};

int ReadGifData(GifFileType* gif, GifByteType* data, int length) {
    auto* source = static_cast<TGifSource*>(gif->UserData);
    const size_t n = std::min(size_t(length), source->File->size() - source->Pos);
    std::memcpy(data, source->File->data() + source->Pos, n);
    source->Pos += n;
    return int(n);
}

void BM_GifOurs(benchmark::State& state) {
    DecodeWithReader<TGIFGraphic>(state, GifFile());
}
void BM_GifGiflib(benchmark::State& state) {
    const TBytes& file = GifFile();
    for (auto _ : state) {
        TGifSource source{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&source, ReadGifData, &error);
        DGifSlurp(gif);
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
}
BENCHMARK(BM_GifOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifGiflib)->Unit(benchmark::kMillisecond);
#endif

void PutLittleEndian16(TBytes& out, int v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

TBytes TargaRaw() {
    TBytes out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLittleEndian16(out, Width);
    PutLittleEndian16(out, Height);
    out.insert(out.end(), {24, 0x20});
    for (const TBytes& row : RgbRows(3))
        out.insert(out.end(), row.begin(), row.end());
    return out;
}

const TBytes& TargaFile(bool runLength) {
    static TBytes raw, packed;
    if (raw.empty()) {
        raw = TargaRaw();
        TMemoryStream in(raw.data(), raw.size());
        TTargaGraphic picture;
        picture.LoadFromStream(in);
        TMemoryStream out;
        picture.SaveToStream(out);
        packed = out.Memory();
    }
    return runLength ? packed : raw;
}

// PCX run-length: runs of up to 63 equal bytes, and single bytes with both top bits set
// written as runs of one.
void PackPcxLine(const uint8_t* line, size_t length, TBytes& out) {
    for (size_t i = 0; i < length;) {
        size_t run = 1;
        while (i + run < length && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

const TBytes& PcxFile() {
    static TBytes out;
    if (!out.empty())
        return out;
    out.assign(128, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    out[8] = uint8_t(Width - 1);
    out[9] = uint8_t((Width - 1) >> 8);
    out[10] = uint8_t(Height - 1);
    out[11] = uint8_t((Height - 1) >> 8);
    out[65] = 3;
    out[66] = uint8_t(Width);
    out[67] = uint8_t(Width >> 8);
    TBytes plane(Width);
    for (const TBytes& row : RgbRows(3))
        for (int c = 0; c < 3; ++c) {
            for (int x = 0; x < Width; ++x)
                plane[x] = row[size_t(x) * 3 + c];
            PackPcxLine(plane.data(), plane.size(), out);
        }
    return out;
}

const TBytes& PpmFile() {
    static TBytes out;
    if (!out.empty())
        return out;
    const std::string header =
        "P6\n" + std::to_string(Width) + " " + std::to_string(Height) + "\n255\n";
    out.assign(header.begin(), header.end());
    for (const TBytes& row : RgbRows(3))
        out.insert(out.end(), row.begin(), row.end());
    return out;
}

void BM_TargaRaw(benchmark::State& state) {
    DecodeWithReader<TTargaGraphic>(state, TargaFile(false));
}
void BM_TargaRunLength(benchmark::State& state) {
    DecodeWithReader<TTargaGraphic>(state, TargaFile(true));
}
void BM_Pcx24(benchmark::State& state) {
    DecodeWithReader<TPCXGraphic>(state, PcxFile());
}
void BM_PpmBinary(benchmark::State& state) {
    DecodeWithReader<TPPMGraphic>(state, PpmFile());
}
// The floor for the raw formats: copying the 24-bit output once into fresh memory.
void BM_Memcpy24(benchmark::State& state) {
    CopyIntoFreshMemory(state, size_t(Width) * Height * 3);
}
BENCHMARK(BM_TargaRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaRunLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcx24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
