#pragma once

// libjpeg-turbo on its own, the peer our JPEG decoding is measured against: a file in memory
// decoded straight into blue-green-red rows, top first.
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE
#include <vector>

#include <jpeglib.h>

// ALLOCATE(bytes) gives the memory for the rows, each 3 * width bytes, rounded up to a
// multiple of 4 when PAD_ROWS (as the pixel buffer's are).
template <class TAllocate>
void LibjpegDecodeBgr(const std::vector<uint8_t>& file, bool padRows, TAllocate allocate) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors); // the benchmarks' own files are valid
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const size_t rowBytes = size_t(info.output_width) * 3;
    const size_t stride = padRows ? (rowBytes + 3) & ~size_t(3) : rowBytes;
    uint8_t* pixels = allocate(stride * info.output_height);
    std::vector<JSAMPROW> rows(info.output_height);
    for (JDIMENSION y = 0; y < info.output_height; ++y)
        rows[y] = pixels + y * stride;
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                            info.output_height - info.output_scanline);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}
