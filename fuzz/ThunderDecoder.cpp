#include "codecs/ThunderDecoder.h"
#include "FuzzDecoderInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 4);
    if (!input.Valid)
        return 0;
    TThunderDecoder decoder(input.Parameters[2] | (input.Parameters[3] & 15) << 8);
    std::vector<uint8_t> output(static_cast<size_t>(input.Size(0)));
    const uint8_t* source = input.Packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(input.Packed.size()), input.Size(0));
    return 0;
}
