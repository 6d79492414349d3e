#include "codecs/GIFLZWDecoder.h"
#include "FuzzDecoderInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 3);
    if (!input.Valid)
        return 0;
    // Mostly valid code sizes, sometimes any byte.
    const uint8_t codeSize =
        input.Parameters[0] < 240 ? 1 + input.Parameters[0] % 8 : input.Parameters[0];
    TGIFLZWDecoder decoder(codeSize);
    std::vector<uint8_t> output(static_cast<size_t>(input.Size(1)));
    const uint8_t* source = input.Packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(input.Packed.size()), input.Size(1));
    return 0;
}
