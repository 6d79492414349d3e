#include "codecs/TIFFJPEGDecoder.h"

#include "formats/GraphicReader.h"
#include "formats/GraphicStrings.h"
#include "platform/WarningMessage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace {

const uint8_t EndOfImage[2] = {0xFF, 0xD9};

// libjpeg reports a fatal error by jumping back to the guarded step; only plain data live in
// the frames between, so the jump never skips a destructor.
struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Jump, 1);
}
void DropMessage(j_common_ptr) {}
void DropWarning(j_common_ptr, int) {}
void ResetErrors(j_common_ptr info) {
    info->err->msg_code = 0;
    info->err->num_warnings = 0;
}

// A strip that ends before its image does: tell the user and let libjpeg end normally.
void SupplyEndOfImage(jpeg_source_mgr* source) {
    ShowWarningMessage("Warning", "JPEG decompression error. Unexpected end of input.");
    source->next_input_byte = EndOfImage;
    source->bytes_in_buffer = sizeof EndOfImage;
}

void InitSource(j_decompress_ptr) {}
boolean FillInputBuffer(j_decompress_ptr info) {
    SupplyEndOfImage(info->src);
    return TRUE;
}
void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    if (size_t(count) > info->src->bytes_in_buffer) {
        SupplyEndOfImage(info->src);
        return;
    }
    info->src->next_input_byte += count;
    info->src->bytes_in_buffer -= size_t(count);
}
void TermSource(j_decompress_ptr) {}

} // namespace

struct TTIFFJPEGDecoder::TState {
    TErrorManager Errors;
    jpeg_decompress_struct Info;
    jpeg_source_mgr Source;
    bool Created = false;
    // Per strip, for the guarded steps.
    uint8_t* Dest = nullptr;
    uint32_t RowBytes = 0;
    uint32_t Rows = 0;
    int HeaderResult = 0;

    using TStep = void (*)(TState&);
    // False when libjpeg gave up.
    bool Guarded(TStep step) {
        if (setjmp(Errors.Jump))
            return false;
        step(*this);
        return true;
    }
    void Run(TStep step) {
        if (!Guarded(step))
            GraphicErrorFmt(gesJPEGError, Errors.Pub.msg_code);
    }
    void Point(const uint8_t* data, size_t size) {
        Source.next_input_byte = data;
        Source.bytes_in_buffer = size;
    }
};

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties)
    : FProperties(properties), FState(std::make_unique<TState>()) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
    DecodeEnd();
}

void TTIFFJPEGDecoder::DecodeInit() {
    TState& s = *FState;
    jpeg_std_error(&s.Errors.Pub);
    s.Errors.Pub.error_exit = ErrorExit;
    s.Errors.Pub.output_message = DropMessage;
    s.Errors.Pub.emit_message = DropWarning;
    s.Errors.Pub.reset_error_mgr = ResetErrors;
    std::memset(&s.Info, 0, sizeof s.Info);
    s.Info.err = &s.Errors.Pub;
    s.Created = true;
    s.Run([](TState& t) { jpeg_create_decompress(&t.Info); });
    s.Source.init_source = InitSource;
    s.Source.fill_input_buffer = FillInputBuffer;
    s.Source.skip_input_data = SkipInputData;
    s.Source.resync_to_restart = jpeg_resync_to_restart;
    s.Source.term_source = TermSource;
    s.Source.next_input_byte = nullptr;
    s.Source.bytes_in_buffer = 0;
    s.Info.src = &s.Source;
    if (FProperties.JPEGTables.empty())
        return;
    s.Point(FProperties.JPEGTables.data(), FProperties.JPEGTables.size());
    if (!s.Guarded([](TState& t) { t.HeaderResult = jpeg_read_header(&t.Info, FALSE); }) ||
        s.HeaderResult != JPEG_HEADER_TABLES_ONLY)
        CompressionError("Bogus JPEG tables field.");
}

void TTIFFJPEGDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                              int32_t unpackedSize) {
    TState& s = *FState;
    if (!s.Created)
        DecodeInit();
    const TImageProperties& p = FProperties;
    s.Point(source, size_t(std::max(packedSize, 0)));
    s.Run([](TState& t) {
        jpeg_abort_decompress(&t.Info);
        jpeg_read_header(&t.Info, TRUE);
    });
    try {
        jpeg_decompress_struct& info = s.Info;
        const uint32_t firstRows = p.RowsPerStrip.empty() ? uint32_t(p.Height) : p.RowsPerStrip[0];
        const uint32_t expectedHeight =
            std::min<uint32_t>(firstRows, uint32_t(p.Height) - p.RowIndex);
        if (info.image_width != uint32_t(p.Width) || info.image_height != expectedHeight)
            CompressionError("Improper JPEG strip/tile size.");
        const bool contiguous = p.PlanarConfiguration == 1;
        if (info.num_components != (contiguous ? p.SamplesPerPixel : 1))
            CompressionError("Improper JPEG component count.");
        if (info.data_precision != p.BitsPerSample)
            CompressionError("Improper JPEG data precision.");
        const int horizontal = p.YCbCrSubSampling.size() >= 2 ? p.YCbCrSubSampling[0] : 1;
        const int vertical = p.YCbCrSubSampling.size() >= 2 ? p.YCbCrSubSampling[1] : 1;
        bool sampling = contiguous ? info.comp_info[0].h_samp_factor == horizontal &&
                                         info.comp_info[0].v_samp_factor == vertical
                                   : info.comp_info[0].h_samp_factor == 1 &&
                                         info.comp_info[0].v_samp_factor == 1;
        for (int c = 1; contiguous && c < info.num_components; ++c)
            sampling = sampling && info.comp_info[c].h_samp_factor == 1 &&
                       info.comp_info[c].v_samp_factor == 1;
        if (!sampling)
            CompressionError("Improper JPEG sampling factors.");
        // Three components come out blue, green, red; others as stored.
        if (info.num_components == 3) {
            info.jpeg_color_space = p.ColorScheme == psYCbCr ? JCS_YCbCr : JCS_RGB;
            info.out_color_space = JCS_EXT_BGR;
        } else {
            info.jpeg_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
            info.out_color_space = info.jpeg_color_space;
        }
        info.raw_data_out = FALSE;
        if (p.RowBytes == 0 || uint32_t(std::max(unpackedSize, 0)) % p.RowBytes != 0)
            CompressionError("Fractional JPEG scanline unsupported.");
        s.Dest = dest;
        s.RowBytes = p.RowBytes;
        s.Rows = uint32_t(std::max(unpackedSize, 0)) / p.RowBytes;
        s.Run([](TState& t) { jpeg_start_decompress(&t.Info); });
        // A decoded row longer than the strip's row would overrun dest.
        if (uint64_t(info.output_width) * uint32_t(info.output_components) > p.RowBytes)
            CompressionError("Improper JPEG strip/tile size.");
        s.Run([](TState& t) {
            for (uint32_t row = 0; row < t.Rows && t.Info.output_scanline < t.Info.output_height;
                 ++row) {
                JSAMPROW target = t.Dest + size_t(row) * t.RowBytes;
                if (jpeg_read_scanlines(&t.Info, &target, 1) != 1)
                    break;
            }
            jpeg_finish_decompress(&t.Info);
        });
    } catch (...) {
        jpeg_abort_decompress(&s.Info);
        throw;
    }
}

void TTIFFJPEGDecoder::DecodeEnd() {
    if (FState && FState->Created) {
        jpeg_destroy_decompress(&FState->Info);
        FState->Created = false;
    }
}
