#pragma once

#include "formats/GraphicReader.h"

#include <cstdint>

// What a strip's stored bytes can stand for, by compression: the bounds that let the reader
// refuse claims no data could back and copy no more of a strip than its decoder can use.

// The most unpacked bytes that PACKED stored bytes can yield for rows of ROWBYTES bytes.
uint64_t MaxUnpackedBytes(TCompressionType compression, uint64_t packed, uint64_t rowBytes);

// The most stored bytes a decoder reads to produce ROWS rows of ROWBYTES bytes, WIDTH
// pixels each; a strip longer than that holds nothing more of use.
uint64_t MaxUsefulPackedBytes(TCompressionType compression, uint64_t rows, uint64_t rowBytes,
                              uint64_t width);
