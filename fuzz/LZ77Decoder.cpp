#include "codecs/LZ77Decoder.h"

#include "FuzzDecoderInput.h"
#include <algorithm>

// Feeds the data in blocks of a fuzzed size into rows of a fuzzed size, as the PNG, TIFF and
// Paint Shop Pro readers do, and checks the advanced pointers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 4);
    if (!input.Valid)
        return 0;
    const uint8_t mode = input.Parameters[0];
    TLZ77Decoder decoder((mode & 1) ? Z_FINISH : Z_PARTIAL_FLUSH, (mode & 2) != 0);
    const size_t block = 1 + input.Parameters[1] % 64 * 16;
    const int32_t row = 1 + input.Size(2) % 4096;
    std::vector<uint8_t> output(static_cast<size_t>(row));
    decoder.DecodeInit();
    const uint8_t* source = input.Packed.data();
    const uint8_t* const end = input.Packed.data() + input.Packed.size();
    for (int calls = 0; source < end && calls < 256; ++calls) {
        const int32_t available = static_cast<int32_t>(std::min<size_t>(block, end - source));
        uint8_t* dest = output.data();
        decoder.Decode(source, dest, available, row);
        CheckWithin(source, input.Packed.data(), end);
        CheckWithin(dest, output.data(), output.data() + output.size());
        if (decoder.ZLibResult() != Z_OK && !(mode & 2))
            break;
    }
    decoder.DecodeEnd();
    return 0;
}
