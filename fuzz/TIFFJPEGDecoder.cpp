#include "codecs/TIFFJPEGDecoder.h"
#include "FuzzDecoderInput.h"
#include "formats/GraphicReader.h"
#include "platform/WarningMessage.h"

// Parameters: width, height, row bytes factor; the rest is one strip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzDecoderInput input(data, size, 3);
    if (!input.Valid)
        return 0;
    SetWarningHandler([](const std::string&, const std::string&) {});
    TImageProperties properties;
    properties.Width = input.Parameters[0] + 1;
    properties.Height = input.Parameters[1] + 1;
    properties.SamplesPerPixel = (input.Parameters[2] & 1) ? 3 : 1;
    properties.BitsPerSample = 8;
    properties.PlanarConfiguration = 1;
    properties.ColorScheme = (input.Parameters[2] & 2) ? psYCbCr : psRGB;
    properties.YCbCrSubSampling = {uint8_t(1 + ((input.Parameters[2] >> 2) & 1)),
                                   uint8_t(1 + ((input.Parameters[2] >> 3) & 1))};
    properties.RowsPerStrip = {uint32_t(properties.Height)};
    properties.RowBytes = uint32_t(properties.Width) * properties.SamplesPerPixel;
    std::vector<uint8_t> output(size_t(properties.RowBytes) * uint32_t(properties.Height));
    TTIFFJPEGDecoder decoder(properties);
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
