#pragma once

// Splits a fuzzer input into a few parameter bytes and the packed data, and gives the
// decoders buffers of exactly the asked sizes so that AddressSanitizer sees any step
// outside them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

struct TFuzzDecoderInput {
    TFuzzDecoderInput(const uint8_t* data, size_t size, size_t parameterBytes) {
        if (size < parameterBytes)
            return;
        Parameters.assign(data, data + parameterBytes);
        Packed.assign(data + parameterBytes, data + size);
        Valid = true;
    }

    // An unpacked size up to 16 KiB from two parameter bytes: larger ones only repeat rows
    // a smaller one reaches, at many times the cost of a run.
    int32_t Size(size_t at) const { return (Parameters[at] | Parameters[at + 1] << 8) & 0x3FFF; }

    std::vector<uint8_t> Parameters;
    std::vector<uint8_t> Packed; // its own allocation: reading past it is caught
    bool Valid = false;
};

// Checks a pointer the decoder returned stays within [begin, end].
inline void CheckWithin(const void* pointer, const void* begin, const void* end) {
    if (pointer < begin || pointer > end)
        std::abort();
}
