#pragma once

#include "color/ColorTypes.h"

#include <cstdint>
#include <span>
#include <vector>

// Per-index chroma contributions of YCbCr and photo YCC; empty until a selection needs them.
struct TChromaTables {
    std::vector<int32_t> CrToRed;
    std::vector<int32_t> CbToBlue;
    std::vector<int32_t> CrToGreen;
    std::vector<int32_t> CbToGreen;
};

// What a row routine reads of its manager's settings.
struct TRowContext {
    uint8_t SourceBits;
    uint8_t TargetBits;
    TConversionFlags SourceFlags;
    TConversionFlags TargetFlags;
    const uint8_t* GammaTable; // 256 entries
    const TChromaTables* Chroma;
};

// One row routine: converts COUNT target pixels under MASK from SOURCES (one interleaved
// array or one array per sample) into TARGET.
using TRowRoutine = void (*)(const TRowContext& context, std::span<const void* const> sources,
                             uint8_t* target, uint32_t count, uint8_t mask);
