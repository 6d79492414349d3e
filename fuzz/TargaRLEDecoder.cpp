#include "codecs/TargaRLEDecoder.h"
#include "FuzzDecoderInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 3);
    if (!input.Valid)
        return 0;
    static constexpr uint32_t Depths[] = {8, 15, 16, 24, 32, 12};
    TTargaRLEDecoder decoder(Depths[input.Parameters[0] % 6]);
    const int32_t pixels = input.Size(1);
    std::vector<uint8_t> output(static_cast<size_t>(pixels) * 4);
    const uint8_t* source = input.Packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(input.Packed.size()), pixels);
    CheckWithin(source, input.Packed.data(), input.Packed.data() + input.Packed.size());
    if (dest != output.data())
        std::abort();

    // The encoder on the same bytes as pixels, then back.
    const uint32_t bytesPerPixel = (decoder.ColorDepth + 1) / 8;
    const uint32_t count = static_cast<uint32_t>(input.Packed.size() / bytesPerPixel);
    std::vector<uint8_t> packed(2 * size_t{count} * bytesPerPixel);
    uint32_t stored = 0;
    decoder.Encode(input.Packed.data(), packed.data(), count, stored);
    if (stored > packed.size())
        std::abort();
    return 0;
}
