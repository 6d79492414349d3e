#include "formats/JPEGImage.h"

#include "color/SrgbConversion.h"
#include "formats/GraphicStrings.h"
#include "formats/JPEGMetadata.h"
#include "platform/PictureLimits.h"
#include "platform/StringFormat.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr int ProgressIntervalMs = 500;
constexpr int QuantisedColors = 236;

// libjpeg reports a fatal error by jumping back to RunGuarded. Only plain data may live in the
// frames between RunGuarded and libjpeg (and in the callbacks libjpeg makes), so the jump
// never skips a destructor; C++ exceptions never travel through libjpeg's C frames.
struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Jump, 1);
}
void IgnoreMessage(j_common_ptr) {}
void IgnoreWarning(j_common_ptr, int) {}

void InitErrorManager(TErrorManager& errors) {
    jpeg_std_error(&errors.Pub);
    errors.Pub.error_exit = ErrorExit;
    errors.Pub.output_message = IgnoreMessage;
    errors.Pub.emit_message = IgnoreWarning;
}

using TStep = void (*)(void* context);

bool RunGuarded(TErrorManager& errors, TStep step, void* context) {
    if (setjmp(errors.Jump))
        return false;
    step(context);
    return true;
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Passes libjpeg's pass counters on to the picture's listener, at most every 500 ms. What
// the listener raises is kept and re-raised (or, for EAbort, ends decoding quietly) once
// control is back outside libjpeg.
struct TProgressMonitor {
    jpeg_progress_mgr Pub;
    TErrorManager* Errors = nullptr;
    const TGraphic* Picture = nullptr;
    TRect Rect;
    int64_t LastReport = 0;
    std::exception_ptr Failure;
};

uint8_t PercentDone(const jpeg_progress_mgr& progress) {
    if (progress.total_passes <= 0)
        return 0;
    const int64_t withinPass =
        progress.pass_limit > 0 ? int64_t(progress.pass_counter) * 100 / progress.pass_limit : 0;
    const int64_t percent =
        (int64_t(progress.completed_passes) * 100 + withinPass) / progress.total_passes;
    return uint8_t(std::clamp<int64_t>(percent, 0, 100));
}

void MonitorProgress(j_common_ptr info) {
    auto* monitor = reinterpret_cast<TProgressMonitor*>(info->progress);
    const int64_t now = NowMs();
    if (now - monitor->LastReport < ProgressIntervalMs)
        return;
    monitor->LastReport = now;
    bool failed = false;
    try {
        monitor->Picture->Progress(TProgressStage::psRunning, PercentDone(monitor->Pub), false,
                                   monitor->Rect, std::string());
    } catch (...) {
        monitor->Failure = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(monitor->Errors->Jump, 1);
}

// Owns a decompressor for one header read or one decode.
struct TDecompressor {
    TErrorManager Errors;
    TProgressMonitor Monitor;
    jpeg_decompress_struct Info;
    const uint8_t* Source = nullptr;
    size_t SourceSize = 0;

    explicit TDecompressor(const TJPEGData& data) {
        InitErrorManager(Errors);
        std::memset(&Info, 0, sizeof Info);
        Info.err = &Errors.Pub;
        if (!RunGuarded(
                Errors, [](void* c) { jpeg_create_decompress(static_cast<j_decompress_ptr>(c)); },
                &Info)) {
            jpeg_destroy_decompress(&Info);
            throw EJPEG(Format(gesJPEGError, Errors.Pub.msg_code));
        }
        Source = data.Bytes.Data();
        SourceSize = data.Bytes.Size();
    }
    ~TDecompressor() { jpeg_destroy_decompress(&Info); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;

    void Guard(TStep step) { Guard(step, &Info); }
    void Guard(TStep step, void* context) {
        if (!RunGuarded(Errors, step, context))
            Fail();
    }
    // Returns only when the listener asked for a quiet abort.
    void Fail() {
        // Memory beyond max_memory_to_use would have gone to a backing store, which there
        // is none of: the picture is over the load's budget.
        if (Errors.Pub.msg_code == JERR_NO_BACKING_STORE)
            throw EPictureMemory::OverBudget();
        if (!Monitor.Failure)
            throw EJPEG(Format(gesJPEGError, Errors.Pub.msg_code));
        try {
            std::rethrow_exception(Monitor.Failure);
        } catch (const EAbort&) {
        }
    }
    // The source is attached here, under the guard, because an empty one is an error.
    void ReadHeader() {
        Guard(
            [](void* c) {
                auto& self = *static_cast<TDecompressor*>(c);
                jpeg_mem_src(&self.Info, self.Source, static_cast<unsigned long>(self.SourceSize));
                jpeg_read_header(&self.Info, TRUE);
            },
            this);
    }
    void WatchProgress(const TGraphic& picture, const TRect& rect) {
        Monitor.Pub.progress_monitor = MonitorProgress;
        Monitor.Errors = &Errors;
        Monitor.Picture = &picture;
        Monitor.Rect = rect;
        Monitor.LastReport = NowMs();
        Info.progress = &Monitor.Pub;
    }
};

bool IsFourComponent(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// Adobe applications store the inks inverted (0 is full ink); others store them plainly.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    auto product = [](unsigned a, unsigned b) {
        const unsigned t = a * b + 128;
        return uint8_t(((t >> 8) + t) >> 8); // a * b / 255, rounded
    };
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const uint8_t mask = inverted ? 0 : 255;
        const unsigned k = cmyk[3] ^ mask;
        bgr[0] = product(cmyk[2] ^ mask, k);
        bgr[1] = product(cmyk[1] ^ mask, k);
        bgr[2] = product(cmyk[0] ^ mask, k);
    }
}

struct TRowReader {
    j_decompress_ptr Info;
    JSAMPROW* Rows;                 // every bitmap row, top first
    uint8_t* CmykRow;               // four-component output goes through here; null otherwise
    bool InvertedInks;              // Adobe CMYK
    const TSrgbConversion* Profile; // the file's CMYK profile; null: converted plainly
};

void ReadRows(void* context) {
    const TRowReader& reader = *static_cast<TRowReader*>(context);
    j_decompress_ptr info = reader.Info;
    while (info->output_scanline < info->output_height) {
        const JDIMENSION y = info->output_scanline;
        if (reader.CmykRow) {
            JSAMPROW row = reader.CmykRow;
            const bool read = jpeg_read_scanlines(info, &row, 1) == 1;
            if (read && reader.Profile)
                reader.Profile->ConvertCmyk(reader.CmykRow, reader.Rows[y], info->output_width);
            else if (read)
                CmykToBgr(reader.CmykRow, reader.Rows[y], info->output_width, reader.InvertedInks);
        } else {
            jpeg_read_scanlines(info, reader.Rows + y, info->output_height - y);
        }
        if (info->output_scanline == y)
            break; // no progress: finishing reports the missing rows
    }
    jpeg_finish_decompress(info);
}

// Owns a compressor writing to memory for one Compress.
struct TCompressor {
    TErrorManager Errors;
    jpeg_compress_struct Info;
    unsigned char* Output = nullptr;
    unsigned long OutputSize = 0;

    TCompressor() {
        InitErrorManager(Errors);
        std::memset(&Info, 0, sizeof Info);
        Info.err = &Errors.Pub;
        if (!RunGuarded(
                Errors, [](void* c) { jpeg_create_compress(static_cast<j_compress_ptr>(c)); },
                &Info)) {
            jpeg_destroy_compress(&Info);
            throw EJPEG(Format(gesJPEGError, Errors.Pub.msg_code));
        }
        jpeg_mem_dest(&Info, &Output, &OutputSize);
    }
    ~TCompressor() {
        jpeg_destroy_compress(&Info);
        std::free(Output);
    }
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;

    void Guard(TStep step, void* context) {
        if (!RunGuarded(Errors, step, context))
            throw EJPEG(Format(gesJPEGError, Errors.Pub.msg_code));
    }
};

struct TRowWriter {
    j_compress_ptr Info;
    const TBgrRowConverter* Converter;
    JSAMPROW Row;
};

void WriteRows(void* context) {
    const TRowWriter& writer = *static_cast<TRowWriter*>(context);
    j_compress_ptr info = writer.Info;
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        writer.Converter->ConvertRow(int32_t(info->next_scanline), writer.Row);
        JSAMPROW row = writer.Row;
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
}

int32_t ScaledSize(int32_t size, TJPEGScale scale) {
    const int32_t denominator = 1 << int(scale);
    return (size + denominator - 1) / denominator;
}

} // namespace

const TGraphicClassInfo TJPEGImage::ClassInfo = {
    "TJPEGImage", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};

TJPEGImage::TJPEGImage() : FImage(std::make_shared<TJPEGData>()) {}

void TJPEGImage::LoadFromStream(TStream& stream) {
    auto data = std::make_shared<TJPEGData>();
    if (const int64_t size = stream.Remaining(); size > 0) {
        data->Bytes = TPictureMemory(size_t(size), TPictureMemory::TFill::Unset);
        stream.ReadBuffer(data->Bytes.Data(), size);
    }
    FBitmap.reset();
    FImage = data;
    Metadata = ReadJPEGMetadata(data->File());
    if (data->Bytes.Size() == 0)
        return;
    TDecompressor decompressor(*data);
    decompressor.ReadHeader();
    data->Width = int32_t(decompressor.Info.image_width);
    data->Height = int32_t(decompressor.Info.image_height);
    data->Grayscale = decompressor.Info.jpeg_color_space == JCS_GRAYSCALE;
    data->Progressive = jpeg_has_multiple_scans(&decompressor.Info);
    ProgressiveEncoding = data->Progressive;
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (FImage->Bytes.Size() == 0 && FBitmap)
        Compress();
    stream.WriteBuffer(FImage->Bytes.Data(), int64_t(FImage->Bytes.Size()));
}

int32_t TJPEGImage::Width() const {
    return FBitmap ? FBitmap->Width() : ScaledSize(FImage->Width, FScale);
}

int32_t TJPEGImage::Height() const {
    return FBitmap ? FBitmap->Height() : ScaledSize(FImage->Height, FScale);
}

void TJPEGImage::SetWidth(int32_t) {
    throw EInvalidGraphic(gesJPEGResize);
}

void TJPEGImage::SetHeight(int32_t) {
    throw EInvalidGraphic(gesJPEGResize);
}

const TBitmap& TJPEGImage::Bitmap() const {
    if (!FBitmap)
        Decode();
    return *FBitmap;
}

void TJPEGImage::Draw(TBitmap& canvas, int32_t x, int32_t y) const {
    Bitmap().Draw(canvas, x, y);
}

const TLogPalette& TJPEGImage::Palette() const {
    static const TLogPalette none;
    return FBitmap ? FBitmap->Palette() : none;
}

namespace {

// How a decode turns out, as the picture's settings ask.
struct TDecodeSetup {
    bool FourComponents = false; // CMYK and YCCK, converted to blue-green-red row by row
    bool Indexed = false;        // rows of palette indices
};

TDecodeSetup SetUpDecoding(TDecompressor& decompressor, const TJPEGImage& picture) {
    jpeg_decompress_struct& info = decompressor.Info;
    decompressor.ReadHeader();
    info.scale_num = 1;
    info.scale_denom = 1u << int(picture.Scale());
    info.do_block_smoothing = picture.Smoothing();
    TDecodeSetup setup;
    setup.FourComponents = IsFourComponent(info.jpeg_color_space);
    const bool eightBit = picture.PixelFormat() == TJPEGPixelFormat::jf8Bit;
    if (setup.FourComponents)
        info.out_color_space = JCS_CMYK;
    else if (picture.Grayscale())
        info.out_color_space = JCS_GRAYSCALE;
    else if (info.out_color_space != JCS_GRAYSCALE)
        info.out_color_space = eightBit ? JCS_RGB : JCS_EXT_BGR;
    setup.Indexed = info.out_color_space == JCS_GRAYSCALE || (eightBit && !setup.FourComponents);
    if (setup.Indexed) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = QuantisedColors;
    }
    if (picture.Performance() == TJPEGPerformance::jpBestSpeed) {
        info.dct_method = JDCT_IFAST;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
    }
    decompressor.Guard(
        [](void* c) { jpeg_calc_output_dimensions(static_cast<j_decompress_ptr>(c)); });
    if (!MayAllocatePicture(info.output_width, info.output_height))
        throw EJPEG(Format(gesJPEGError, int(JERR_IMAGE_TOO_BIG)));
    return setup;
}

TLogPalette QuantisedPalette(const jpeg_decompress_struct& info) {
    TLogPalette palette(size_t(std::clamp(info.actual_number_of_colors, 0, 256)));
    const bool gray = info.out_color_components == 1;
    for (size_t i = 0; i < palette.size(); ++i) {
        palette[i].peRed = info.colormap[0][i];
        palette[i].peGreen = info.colormap[gray ? 0 : 1][i];
        palette[i].peBlue = info.colormap[gray ? 0 : 2][i];
    }
    return palette;
}

// Decodes every row into ROWS (top first) and returns how many were written: all of them,
// unless the picture's listener stopped the decode. PALETTED receives the palette of
// indexed rows.
JDIMENSION DecodeRows(TDecompressor& decompressor, const TJPEGImage& picture,
                      const TDecodeSetup& setup, JSAMPROW* rows, TBitmap* paletted) {
    jpeg_decompress_struct& info = decompressor.Info;
    const TRect rect{0, 0, int32_t(info.output_width), int32_t(info.output_height)};
    try {
        picture.Progress(TProgressStage::psStarting, 0, false, rect, std::string());
    } catch (const EAbort&) {
        return 0; // stopped before the first row: a blank picture
    }
    decompressor.WatchProgress(picture, rect);
    // Progressive and multi-scan files keep every coefficient of the picture; what the
    // pixels leave of the budget is all libjpeg may take (0 would mean no limit).
    info.mem->max_memory_to_use =
        long(std::clamp<int64_t>(TPictureLoadScope::Available(), 1, LONG_MAX));
    std::vector<uint8_t> cmykRow(setup.FourComponents ? size_t(info.output_width) * 4 : 0);
    if (!RunGuarded(
            decompressor.Errors,
            [](void* c) { jpeg_start_decompress(static_cast<j_decompress_ptr>(c)); }, &info)) {
        decompressor.Fail();
    } else {
        if (setup.Indexed && paletted)
            paletted->SetPalette(QuantisedPalette(info));
        const bool inverted = info.saw_Adobe_marker;
        // The inks become sRGB through the file's profile where it has one; the load path
        // cannot do it later from the blue-green-red rows.
        const std::shared_ptr<const TSrgbConversion> profile =
            setup.FourComponents ? SrgbConversion(picture.Metadata.IccProfile,
                                                  inverted ? TProfiledPixels::ppCmykInverted
                                                           : TProfiledPixels::ppCmyk)
                                 : nullptr;
        TRowReader reader{&info, rows, setup.FourComponents ? cmykRow.data() : nullptr, inverted,
                          profile.get()};
        if (!RunGuarded(decompressor.Errors, ReadRows, &reader))
            decompressor.Fail();
    }
    picture.Progress(TProgressStage::psEnding, 100, false, rect, std::string());
    return info.output_scanline;
}

} // namespace

void TJPEGImage::Decode() const {
    TDecompressor decompressor(*FImage);
    const TDecodeSetup setup = SetUpDecoding(decompressor, *this);
    const jpeg_decompress_struct& info = decompressor.Info;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(setup.Indexed ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    bitmap->SetSize(int32_t(info.output_width), int32_t(info.output_height));
    std::vector<JSAMPROW> rows(info.output_height);
    for (JDIMENSION y = 0; y < info.output_height; ++y)
        rows[y] = bitmap->ScanLine(int32_t(y));
    DecodeRows(decompressor, *this, setup, rows.data(), bitmap.get());
    FBitmap = std::move(bitmap);
}

bool TJPEGImage::DecodeInto(TRowTarget& target) const {
    if (FBitmap || FImage->Bytes.Size() == 0)
        return false;
    TDecompressor decompressor(*FImage);
    const TDecodeSetup setup = SetUpDecoding(decompressor, *this);
    if (setup.Indexed)
        return false;
    const jpeg_decompress_struct& info = decompressor.Info;
    const auto width = int32_t(info.output_width), height = int32_t(info.output_height);
    target.SetSize(width, height);
    std::vector<JSAMPROW> rows(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        rows[size_t(y)] = target.Row(y);
    // Rows a stopped decode did not reach are black, as a new bitmap's are.
    for (auto y = DecodeRows(decompressor, *this, setup, rows.data(), nullptr);
         y < info.output_height; ++y)
        std::memset(rows[y], 0, size_t(width) * 3);
    return true;
}

void TJPEGImage::DropDecodedBitmap() {
    if (FImage->Bytes.Size() != 0)
        FBitmap.reset();
}

void TJPEGImage::SetGrayscale(bool value) {
    FGrayscale = value;
    DropDecodedBitmap();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
    FPixelFormat = value;
    DropDecodedBitmap();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    FPerformance = value;
    DropDecodedBitmap();
}

void TJPEGImage::SetScale(TJPEGScale value) {
    FScale = value;
    DropDecodedBitmap();
}

void TJPEGImage::SetSmoothing(bool value) {
    FSmoothing = value;
    DropDecodedBitmap();
}

void TJPEGImage::Assign(const TJPEGImage& source) {
    if (&source == this)
        return;
    FImage = source.FImage;
    FBitmap = source.FBitmap ? std::make_unique<TBitmap>(*source.FBitmap) : nullptr;
    ProgressiveEncoding = source.ProgressiveEncoding;
    Metadata = source.Metadata;
}

void TJPEGImage::Assign(const TBitmap& source) {
    FImage = std::make_shared<TJPEGData>();
    FBitmap = std::make_unique<TBitmap>(source);
}

void TJPEGImage::Compress() {
    const TBitmap& bitmap = Bitmap();
    if (bitmap.Empty())
        throw EJPEG(Format(gesJPEGError, int(JERR_EMPTY_IMAGE)));
    TCompressor compressor;
    jpeg_compress_struct& info = compressor.Info;
    info.image_width = JDIMENSION(bitmap.Width());
    info.image_height = JDIMENSION(bitmap.Height());
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    struct TSettings {
        j_compress_ptr Info;
        int Quality;
        bool Progressive;
    } settings{&info, std::clamp(int(CompressionQuality), 1, 100), ProgressiveEncoding};
    compressor.Guard(
        [](void* c) {
            const auto& s = *static_cast<TSettings*>(c);
            jpeg_set_defaults(s.Info);
            jpeg_set_quality(s.Info, s.Quality, TRUE);
            if (s.Progressive)
                jpeg_simple_progression(s.Info);
        },
        &settings);
    const TBgrRowConverter converter(bitmap);
    std::vector<uint8_t> row(size_t(bitmap.Width()) * 3);
    TRowWriter writer{&info, &converter, row.data()};
    compressor.Guard(WriteRows, &writer);

    auto data = std::make_shared<TJPEGData>();
    data->Bytes = TPictureMemory(compressor.OutputSize, TPictureMemory::TFill::Unset);
    if (compressor.OutputSize > 0)
        std::memcpy(data->Bytes.Data(), compressor.Output, compressor.OutputSize);
    data->Width = bitmap.Width();
    data->Height = bitmap.Height();
    data->Progressive = ProgressiveEncoding;
    FImage = data;
}
