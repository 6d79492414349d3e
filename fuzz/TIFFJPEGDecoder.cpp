#include "codecs/TIFFJPEGDecoder.h"
#include "FuzzDecoderInput.h"

#include <vector>

// Parameters: width, height, row bytes factor; the rest is one strip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 3);
    if (!input.Valid)
        return 0;
    TTIFFJPEGStrip strip;
    strip.Width = input.Parameters[0] + 1u;
    strip.Height = input.Parameters[1] + 1u;
    strip.Components = (input.Parameters[2] & 1) ? 3 : 1;
    strip.YCbCr = (input.Parameters[2] & 2) != 0;
    strip.HorizontalSampling = 1 + ((input.Parameters[2] >> 2) & 1);
    strip.VerticalSampling = 1 + ((input.Parameters[2] >> 3) & 1);
    strip.RowBytes = strip.Width * strip.Components;
    std::vector<uint8_t> output(size_t(strip.RowBytes) * strip.Height);
    TTIFFJPEGDecoder decoder({}, 64 << 20);
    decoder.SetStrip(strip);
    try {
        decoder.DecodeInit();
        const uint8_t* source = input.Packed.data();
        uint8_t* dest = output.data();
        decoder.Decode(source, dest, static_cast<int32_t>(input.Packed.size()),
                       static_cast<int32_t>(output.size()));
    } catch (const Exception&) {
    }
    decoder.DecodeEnd();
    return 0;
}
