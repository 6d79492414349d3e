#include "formats/PNGFilters.h"

namespace {

void UndoSub(uint8_t* row, uint32_t length, uint32_t bpp) {
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + row[i - bpp]);
}

void UndoUp(uint8_t* row, const uint8_t* previous, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        row[i] = uint8_t(row[i] + previous[i]);
}

void UndoAverage(uint8_t* row, const uint8_t* previous, uint32_t length, uint32_t bpp) {
    const uint32_t head = bpp < length ? bpp : length;
    for (uint32_t i = 0; i < head; ++i)
        row[i] = uint8_t(row[i] + (previous[i] >> 1));
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + ((row[i - bpp] + previous[i]) >> 1));
}

// Pixel by pixel with the left and upper-left pixels kept in registers: the byte-wise
// dependency chain is what limits this filter.
template <uint32_t Bpp>
void UndoPaethFixed(uint8_t* row, const uint8_t* previous, uint32_t length) {
    int left[Bpp] = {};
    int upperLeft[Bpp] = {};
    for (uint32_t i = 0; i + Bpp <= length; i += Bpp) {
        for (uint32_t k = 0; k < Bpp; ++k) {
            const int above = previous[i + k];
            const int value = uint8_t(row[i + k] + PaethPredictor(left[k], above, upperLeft[k]));
            row[i + k] = uint8_t(value);
            left[k] = value;
            upperLeft[k] = above;
        }
    }
}

void UndoPaeth(uint8_t* row, const uint8_t* previous, uint32_t length, uint32_t bpp) {
    if (length % bpp == 0) {
        switch (bpp) {
        case 1:
            return UndoPaethFixed<1>(row, previous, length);
        case 2:
            return UndoPaethFixed<2>(row, previous, length);
        case 3:
            return UndoPaethFixed<3>(row, previous, length);
        case 4:
            return UndoPaethFixed<4>(row, previous, length);
        case 6:
            return UndoPaethFixed<6>(row, previous, length);
        case 8:
            return UndoPaethFixed<8>(row, previous, length);
        default:
            break;
        }
    }
    const uint32_t head = bpp < length ? bpp : length;
    for (uint32_t i = 0; i < head; ++i)
        row[i] = uint8_t(row[i] + PaethPredictor(0, previous[i], 0));
    for (uint32_t i = bpp; i < length; ++i)
        row[i] = uint8_t(row[i] + PaethPredictor(row[i - bpp], previous[i], previous[i - bpp]));
}

} // namespace

// The filters' loops are the PNG reader's hottest code: placed at whatever offset the linker
// gives them, their speed moved by a few percent from one build to the next.
[[gnu::aligned(64)]] void UnfilterPNGRow(uint8_t filterType, uint8_t* row, const uint8_t* previous,
                                         uint32_t length, uint32_t bytesPerPixel) {
    switch (filterType) {
    case 1:
        UndoSub(row, length, bytesPerPixel);
        break;
    case 2:
        UndoUp(row, previous, length);
        break;
    case 3:
        UndoAverage(row, previous, length, bytesPerPixel);
        break;
    case 4:
        UndoPaeth(row, previous, length, bytesPerPixel);
        break;
    default:
        break;
    }
}
