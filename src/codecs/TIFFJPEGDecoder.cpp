#include "codecs/TIFFJPEGDecoder.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace {

const uint8_t EndOfImage[2] = {0xFF, 0xD9};
const char* const UnexpectedEnd = "JPEG decompression error. Unexpected end of input.";

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

// The source manager and what it met; libjpeg sees the first member only.
struct TSource {
    jpeg_source_mgr Pub;
    bool EndedEarly = false;
};

// A strip that ends before its image does: noted for the reader, and libjpeg ends normally.
void SupplyEndOfImage(jpeg_source_mgr* source) {
    reinterpret_cast<TSource*>(source)->EndedEarly = true;
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
    TSource Source;
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
        if (!Guarded(step)) {
            char message[32];
            std::snprintf(message, sizeof message, "JPEG error #%d", Errors.Pub.msg_code);
            throw EInvalidGraphic(message);
        }
    }
    void Point(const uint8_t* data, size_t size) {
        Source.Pub.next_input_byte = data;
        Source.Pub.bytes_in_buffer = size;
    }
};

TTIFFJPEGDecoder::TTIFFJPEGDecoder(std::vector<uint8_t> tables, uint64_t maxMemory)
    : FTables(std::move(tables)), FMaxMemory(maxMemory), FState(std::make_unique<TState>()) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
    DecodeEnd();
}

void TTIFFJPEGDecoder::DecodeInit() {
    TState& s = *FState;
    if (s.Created)
        return;
    jpeg_std_error(&s.Errors.Pub);
    s.Errors.Pub.error_exit = ErrorExit;
    s.Errors.Pub.output_message = DropMessage;
    s.Errors.Pub.emit_message = DropWarning;
    s.Errors.Pub.reset_error_mgr = ResetErrors;
    std::memset(&s.Info, 0, sizeof s.Info);
    s.Info.err = &s.Errors.Pub;
    s.Created = true;
    s.Run([](TState& t) { jpeg_create_decompress(&t.Info); });
    // Beyond this, libjpeg refuses an image rather than allocate for it.
    s.Info.mem->max_memory_to_use = long(std::min<uint64_t>(FMaxMemory, LONG_MAX));
    s.Source.Pub.init_source = InitSource;
    s.Source.Pub.fill_input_buffer = FillInputBuffer;
    s.Source.Pub.skip_input_data = SkipInputData;
    s.Source.Pub.resync_to_restart = jpeg_resync_to_restart;
    s.Source.Pub.term_source = TermSource;
    s.Point(nullptr, 0);
    s.Info.src = &s.Source.Pub;
    if (FTables.empty())
        return;
    s.Point(FTables.data(), FTables.size());
    if (!s.Guarded([](TState& t) { t.HeaderResult = jpeg_read_header(&t.Info, FALSE); }) ||
        s.HeaderResult != JPEG_HEADER_TABLES_ONLY)
        CompressionError("Bogus JPEG tables field.");
}

void TTIFFJPEGDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                              int32_t unpackedSize) {
    TState& s = *FState;
    DecodeInit();
    const TTIFFJPEGStrip& strip = FStrip;
    s.Source.EndedEarly = false;
    s.Point(source, size_t(std::max(packedSize, 0)));
    try {
        s.Run([](TState& t) {
            jpeg_abort_decompress(&t.Info);
            jpeg_read_header(&t.Info, TRUE);
        });
        jpeg_decompress_struct& info = s.Info;
        if (info.image_width != strip.Width || info.image_height != strip.Height)
            CompressionError("Improper JPEG strip/tile size.");
        if (uint32_t(info.num_components) != strip.Components)
            CompressionError("Improper JPEG component count.");
        if (uint32_t(info.data_precision) != strip.Precision)
            CompressionError("Improper JPEG data precision.");
        bool sampling = uint32_t(info.comp_info[0].h_samp_factor) == strip.HorizontalSampling &&
                        uint32_t(info.comp_info[0].v_samp_factor) == strip.VerticalSampling;
        for (int c = 1; c < info.num_components; ++c)
            sampling = sampling && info.comp_info[c].h_samp_factor == 1 &&
                       info.comp_info[c].v_samp_factor == 1;
        if (!sampling)
            CompressionError("Improper JPEG sampling factors.");
        // Three components come out blue, green, red; others as stored.
        if (info.num_components == 3) {
            info.jpeg_color_space = strip.YCbCr ? JCS_YCbCr : JCS_RGB;
            info.out_color_space = JCS_EXT_BGR;
        } else {
            info.jpeg_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
            info.out_color_space = info.jpeg_color_space;
        }
        info.raw_data_out = FALSE;
        if (strip.RowBytes == 0 || uint32_t(std::max(unpackedSize, 0)) % strip.RowBytes != 0)
            CompressionError("Fractional JPEG scanline unsupported.");
        s.Dest = dest;
        s.RowBytes = strip.RowBytes;
        s.Rows = uint32_t(std::max(unpackedSize, 0)) / strip.RowBytes;
        s.Run([](TState& t) { jpeg_start_decompress(&t.Info); });
        // A decoded row longer than the strip's row would overrun dest.
        if (uint64_t(info.output_width) * uint32_t(info.output_components) > strip.RowBytes)
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
        NoteEndedEarly();
        throw;
    }
    NoteEndedEarly();
}

void TTIFFJPEGDecoder::NoteEndedEarly() {
    if (FState->Source.EndedEarly && FWarnings.empty())
        FWarnings.emplace_back(UnexpectedEnd);
}

void TTIFFJPEGDecoder::DecodeEnd() {
    if (FState && FState->Created) {
        jpeg_destroy_decompress(&FState->Info);
        FState->Created = false;
    }
}
