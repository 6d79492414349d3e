// Every decoder on 64 MB of output: a photographic picture for the LZW and deflate decoders,
// a posterized (run-rich) one for the run-length decoders, each packed by an independent
// encoder where one is at hand (giflib, libtiff, zlib); beside memcpy, zlib's uncompress and,
// where linked, giflib's and libtiff's own decoders on the same bytes.

#include "codecs/GIFLZWDecoder.h"
#include "codecs/LZ77Decoder.h"
#include "codecs/PCXRLEDecoder.h"
#include "codecs/PSPRLEDecoder.h"
#include "codecs/PackbitsRLEDecoder.h"
#include "codecs/TIFFLZWDecoder.h"
#include "codecs/TargaRLEDecoder.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#ifdef HAVE_GIFLIB
#include <gif_lib.h>
#endif
#ifdef HAVE_LIBTIFF
#include <tiffio.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// 4096 RGB pixels or 12288 gray samples per row; 5461 rows make 64 MiB.
constexpr uint32_t RowBytes = 12288;
constexpr uint32_t Rows = 5461;
constexpr size_t PictureBytes = size_t{RowBytes} * Rows;

uint32_t NextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Smooth shapes with a little sensor noise: compresses like a photograph.
const Bytes& PhotographicPicture() {
    static const Bytes picture = [] {
        Bytes pixels(PictureBytes);
        uint32_t state = 2463534242u;
        for (uint32_t y = 0; y < Rows; ++y)
            for (uint32_t x = 0; x < RowBytes; ++x) {
                const double shape =
                    110 + 60 * std::sin(x / 700.0 + y / 900.0) * std::cos(y / 450.0 - x / 2000.0) +
                    40 * std::sin((x + 2.0 * y) / 170.0);
                const int noise = static_cast<int>(NextRandom(state) % 7) - 3;
                pixels[size_t{y} * RowBytes + x] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(shape) + noise, 0, 255));
            }
        return pixels;
    }();
    return picture;
}

// The same shapes in a few flat gray tones: long runs of equal bytes and of equal RGB
// pixels, as in drawings and charts.
const Bytes& RunRichPicture() {
    static const Bytes picture = [] {
        Bytes pixels(PictureBytes);
        for (uint32_t y = 0; y < Rows; ++y)
            for (uint32_t x = 0; x < RowBytes / 3; ++x) {
                const double shape =
                    110 + 60 * std::sin(x / 240.0 + y / 900.0) * std::cos(y / 450.0 - x / 700.0);
                const uint8_t tone = static_cast<uint8_t>(static_cast<int>(shape) / 40 * 40);
                uint8_t* pixel = &pixels[size_t{y} * RowBytes + 3 * x];
                pixel[0] = pixel[1] = pixel[2] = tone;
            }
        return pixels;
    }();
    return picture;
}

Bytes& Output() {
    static Bytes output(PictureBytes);
    return output;
}

void ReportOutput(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * PictureBytes);
}

void CheckDecoded(benchmark::State& state, const Bytes& expected) {
    if (Output() != expected)
        state.SkipWithError("decoded picture differs from the original");
}

// ---- baselines

void BM_Memcpy(benchmark::State& state) {
    const Bytes& picture = PhotographicPicture();
    for (auto _ : state) {
        std::memcpy(Output().data(), picture.data(), PictureBytes);
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

const Bytes& ZlibPicture() {
    static const Bytes packed = [] {
        uLongf size = compressBound(PictureBytes);
        Bytes data(size);
        compress(data.data(), &size, PhotographicPicture().data(), PictureBytes);
        data.resize(size);
        return data;
    }();
    return packed;
}

void BM_ZlibUncompress(benchmark::State& state) {
    const Bytes& packed = ZlibPicture();
    for (auto _ : state) {
        uLongf size = PictureBytes;
        uncompress(Output().data(), &size, packed.data(), packed.size());
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);

// ---- deflate

// Row by row with all input available, as the PNG reader asks for it.
void BM_LZ77Decoder(benchmark::State& state) {
    const Bytes& packed = ZlibPicture();
    for (auto _ : state) {
        TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
        decoder.DecodeInit();
        const uint8_t* source = packed.data();
        uint8_t* dest = Output().data();
        for (uint32_t row = 0; row < Rows && decoder.ZLibResult() == Z_OK; ++row)
            decoder.Decode(source, dest,
                           static_cast<int32_t>(packed.data() + packed.size() - source), RowBytes);
        decoder.DecodeEnd();
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_LZ77Decoder)->Unit(benchmark::kMillisecond);

// ---- GIF LZW

#ifdef HAVE_GIFLIB
// A whole GIF file of the photographic picture, written by giflib.
const Bytes& GifFile() {
    static const Bytes file = [] {
        Bytes data;
        int error = 0;
        GifFileType* gif = EGifOpen(
            &data,
            [](GifFileType* gif, const GifByteType* bytes, int count) {
                auto* out = static_cast<Bytes*>(gif->UserData);
                out->insert(out->end(), bytes, bytes + count);
                return count;
            },
            &error);
        GifColorType colors[256];
        for (int i = 0; i < 256; ++i)
            colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(i),
                         static_cast<GifByteType>(i)};
        ColorMapObject* map = GifMakeMapObject(256, colors);
        EGifPutScreenDesc(gif, RowBytes, Rows, 8, 0, map);
        EGifPutImageDesc(gif, 0, 0, RowBytes, Rows, false, nullptr);
        Bytes row(RowBytes);
        for (uint32_t y = 0; y < Rows; ++y) {
            std::memcpy(row.data(), &PhotographicPicture()[size_t{y} * RowBytes], RowBytes);
            EGifPutLine(gif, row.data(), RowBytes);
        }
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        return data;
    }();
    return file;
}

// Where the image's code size byte sits: after the header, the 768-byte colour table and
// the 10-byte image descriptor.
constexpr size_t GifCodeSizeOffset = 13 + 768 + 10;

void BM_GIFLZWDecoder(benchmark::State& state) {
    const Bytes& file = GifFile();
    Bytes packed(file.size());
    for (auto _ : state) {
        // Joining the data sub-blocks is part of the reader's work, so it is timed too.
        size_t packedSize = 0;
        for (size_t pos = GifCodeSizeOffset + 1; pos < file.size() && file[pos] != 0;
             pos += file[pos] + 1) {
            std::memcpy(&packed[packedSize], &file[pos + 1], file[pos]);
            packedSize += file[pos];
        }
        TGIFLZWDecoder decoder(file[GifCodeSizeOffset]);
        const uint8_t* source = packed.data();
        uint8_t* dest = Output().data();
        decoder.Decode(source, dest, static_cast<int32_t>(packedSize),
                       static_cast<int32_t>(PictureBytes));
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_GIFLZWDecoder)->Unit(benchmark::kMillisecond);

struct TGifReadPosition {
    const Bytes* File;
    size_t Pos;
};

void BM_GiflibDecoder(benchmark::State& state) {
    const Bytes& file = GifFile();
    for (auto _ : state) {
        TGifReadPosition position{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(
            &position,
            [](GifFileType* gif, GifByteType* bytes, int count) {
                auto* in = static_cast<TGifReadPosition*>(gif->UserData);
                const size_t n = std::min<size_t>(count, in->File->size() - in->Pos);
                std::memcpy(bytes, in->File->data() + in->Pos, n);
                in->Pos += n;
                return static_cast<int>(n);
            },
            &error);
        GifRecordType record;
        do
            DGifGetRecordType(gif, &record);
        while (record != IMAGE_DESC_RECORD_TYPE && record != TERMINATE_RECORD_TYPE);
        DGifGetImageDesc(gif);
        DGifGetLine(gif, Output().data(), static_cast<int>(PictureBytes));
        DGifCloseFile(gif, &error);
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_GiflibDecoder)->Unit(benchmark::kMillisecond);
#endif

// ---- TIFF LZW and PackBits

#ifdef HAVE_LIBTIFF
// A TIFF file written by libtiff with its default strip size, and its raw strips.
struct TTiffFile {
    std::string Path;
    std::vector<Bytes> Strips;
    uint32_t RowsPerStrip = 0;

    TTiffFile(const Bytes& picture, uint16_t compression) {
        char path[] = "/tmp/pelorama-bench-XXXXXX";
        const int handle = mkstemp(path);
        if (handle < 0)
            throw std::runtime_error("no temporary file");
        close(handle);
        Path = path;
        TIFF* tif = TIFFOpen(path, "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, RowBytes);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, Rows);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
        RowsPerStrip = TIFFDefaultStripSize(tif, 0);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, RowsPerStrip);
        Bytes row(RowBytes);
        for (uint32_t y = 0; y < Rows; ++y) {
            std::memcpy(row.data(), &picture[size_t{y} * RowBytes], RowBytes);
            TIFFWriteScanline(tif, row.data(), y, 0);
        }
        TIFFClose(tif);
        tif = TIFFOpen(path, "r");
        for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tif); ++strip) {
            Bytes raw(TIFFRawStripSize(tif, strip));
            TIFFReadRawStrip(tif, strip, raw.data(), static_cast<tmsize_t>(raw.size()));
            Strips.push_back(std::move(raw));
        }
        TIFFClose(tif);
    }
    ~TTiffFile() { std::remove(Path.c_str()); }

    size_t PackedBytes() const {
        size_t total = 0;
        for (const Bytes& strip : Strips)
            total += strip.size();
        return total;
    }
};

const TTiffFile& LzwTiff() {
    static const TTiffFile file(PhotographicPicture(), COMPRESSION_LZW);
    return file;
}

// Strip by strip, as the TIFF reader calls it.
void DecodeStrips(TDecoder& decoder, const TTiffFile& file) {
    uint8_t* row = Output().data();
    size_t left = PictureBytes;
    for (const Bytes& strip : file.Strips) {
        const size_t unpacked = std::min<size_t>(left, size_t{file.RowsPerStrip} * RowBytes);
        const uint8_t* source = strip.data();
        uint8_t* dest = row;
        decoder.Decode(source, dest, static_cast<int32_t>(strip.size()),
                       static_cast<int32_t>(unpacked));
        row += unpacked;
        left -= unpacked;
    }
}

void BM_TIFFLZWDecoder(benchmark::State& state) {
    const TTiffFile& file = LzwTiff();
    for (auto _ : state) {
        TTIFFLZWDecoder decoder;
        DecodeStrips(decoder, file);
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    state.counters["strips"] = static_cast<double>(file.Strips.size());
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_TIFFLZWDecoder)->Unit(benchmark::kMillisecond);

void BM_LibtiffLZWDecoder(benchmark::State& state) {
    const TTiffFile& file = LzwTiff();
    TIFF* tif = TIFFOpen(file.Path.c_str(), "r"); // memory-mapped: strips are not copied
    for (auto _ : state) {
        uint8_t* row = Output().data();
        for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tif); ++strip)
            row += TIFFReadEncodedStrip(tif, strip, row, -1);
        benchmark::ClobberMemory();
    }
    TIFFClose(tif);
    ReportOutput(state);
    CheckDecoded(state, PhotographicPicture());
}
BENCHMARK(BM_LibtiffLZWDecoder)->Unit(benchmark::kMillisecond);

void BM_PackbitsRLEDecoder(benchmark::State& state) {
    static const TTiffFile file(RunRichPicture(), COMPRESSION_PACKBITS);
    for (auto _ : state) {
        TPackbitsRLEDecoder decoder;
        DecodeStrips(decoder, file);
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    state.counters["ratio"] = static_cast<double>(PictureBytes) / file.PackedBytes();
    CheckDecoded(state, RunRichPicture());
}
BENCHMARK(BM_PackbitsRLEDecoder)->Unit(benchmark::kMillisecond);
#endif

// ---- Targa, PCX, Paint Shop Pro run-length

// Rows packed one by one with the given row encoder.
template <typename EncodeRow>
std::vector<Bytes> PackRows(const Bytes& picture, EncodeRow encodeRow) {
    std::vector<Bytes> rows;
    for (uint32_t y = 0; y < Rows; ++y)
        rows.push_back(encodeRow(&picture[size_t{y} * RowBytes]));
    return rows;
}

size_t PackedBytes(const std::vector<Bytes>& rows) {
    size_t total = 0;
    for (const Bytes& row : rows)
        total += row.size();
    return total;
}

// Our own Targa encoder (the Targa writer's) on 24-bit rows.
void BM_TargaRLEDecoder(benchmark::State& state) {
    static const std::vector<Bytes> rows = PackRows(RunRichPicture(), [](const uint8_t* row) {
        TTargaRLEDecoder encoder(24);
        Bytes packed(2 * RowBytes);
        uint32_t stored = 0;
        encoder.Encode(row, packed.data(), RowBytes / 3, stored);
        packed.resize(stored);
        return packed;
    });
    for (auto _ : state) {
        TTargaRLEDecoder decoder(24);
        for (uint32_t y = 0; y < Rows; ++y) {
            const uint8_t* source = rows[y].data();
            uint8_t* dest = &Output()[size_t{y} * RowBytes];
            decoder.Decode(source, dest, static_cast<int32_t>(rows[y].size()), RowBytes / 3);
        }
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    state.counters["ratio"] = static_cast<double>(PictureBytes) / PackedBytes(rows);
    CheckDecoded(state, RunRichPicture());
}
BENCHMARK(BM_TargaRLEDecoder)->Unit(benchmark::kMillisecond);

// The usual PCX encoder: runs of up to 63 bytes, single bytes below 192 stand for themselves.
Bytes EncodePCXRow(const uint8_t* row) {
    Bytes packed;
    for (uint32_t x = 0; x < RowBytes;) {
        uint32_t run = 1;
        while (x + run < RowBytes && run < 63 && row[x + run] == row[x])
            ++run;
        if (run > 1 || row[x] >= 0xC0)
            packed.push_back(static_cast<uint8_t>(0xC0 | run));
        packed.push_back(row[x]);
        x += run;
    }
    return packed;
}

// Paint Shop Pro's scheme: runs of up to 127 bytes, literal stretches of up to 127.
Bytes EncodePSPRow(const uint8_t* row) {
    Bytes packed;
    for (uint32_t x = 0; x < RowBytes;) {
        uint32_t run = 1;
        while (x + run < RowBytes && run < 127 && row[x + run] == row[x])
            ++run;
        if (run >= 3) {
            packed.push_back(static_cast<uint8_t>(0x80 + run));
            packed.push_back(row[x]);
            x += run;
            continue;
        }
        uint32_t literal = 0;
        while (x + literal < RowBytes && literal < 127 &&
               !(x + literal + 2 < RowBytes && row[x + literal] == row[x + literal + 1] &&
                 row[x + literal] == row[x + literal + 2]))
            ++literal;
        literal = std::max(literal, 1u);
        packed.push_back(static_cast<uint8_t>(literal));
        packed.insert(packed.end(), row + x, row + x + literal);
        x += literal;
    }
    return packed;
}

template <typename Decoder>
void DecodeRows(benchmark::State& state, const std::vector<Bytes>& rows) {
    for (auto _ : state) {
        Decoder decoder;
        for (uint32_t y = 0; y < Rows; ++y) {
            const uint8_t* source = rows[y].data();
            uint8_t* dest = &Output()[size_t{y} * RowBytes];
            decoder.Decode(source, dest, static_cast<int32_t>(rows[y].size()), RowBytes);
        }
        benchmark::ClobberMemory();
    }
    ReportOutput(state);
    state.counters["ratio"] = static_cast<double>(PictureBytes) / PackedBytes(rows);
    CheckDecoded(state, RunRichPicture());
}

void BM_PCXRLEDecoder(benchmark::State& state) {
    static const std::vector<Bytes> rows = PackRows(RunRichPicture(), EncodePCXRow);
    DecodeRows<TPCXRLEDecoder>(state, rows);
}
BENCHMARK(BM_PCXRLEDecoder)->Unit(benchmark::kMillisecond);

void BM_PSPRLEDecoder(benchmark::State& state) {
    static const std::vector<Bytes> rows = PackRows(RunRichPicture(), EncodePSPRow);
    DecodeRows<TPSPRLEDecoder>(state, rows);
}
BENCHMARK(BM_PSPRLEDecoder)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
