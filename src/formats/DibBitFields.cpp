#include "formats/DibBitFields.h"

#include <bit>

uint8_t TBitFieldsUnpacker::TChannel::Scale(uint32_t pixel) const {
    if (Max == 0)
        return 0;
    const uint64_t value = (pixel & Mask) >> Shift;
    return uint8_t((value * 255 + Max / 2) / Max);
}

TBitFieldsUnpacker::TBitFieldsUnpacker(const TDibChannelMasks& masks, int bitCount)
    : PixelBytes(bitCount / 8) {
    const uint32_t usable = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    const uint32_t all[4] = {masks.Blue, masks.Green, masks.Red, masks.Alpha};
    for (int i = 0; i < 4; ++i) {
        TChannel& channel = Channels[i];
        channel.Mask = all[i] & usable;
        if (channel.Mask == 0)
            continue;
        channel.Shift = std::countr_zero(channel.Mask);
        channel.Max = channel.Mask >> channel.Shift;
    }
}

void TBitFieldsUnpacker::UnpackRow(const uint8_t* in, int32_t width, uint8_t* out,
                                   int outPixelBytes) const {
    for (int32_t x = 0; x < width; ++x, in += PixelBytes, out += outPixelBytes) {
        const uint32_t pixel = PixelBytes == 2 ? LoadLE16(in) : LoadLE32(in);
        for (int c = 0; c < outPixelBytes; ++c)
            out[c] = Channels[c].Scale(pixel);
    }
}
