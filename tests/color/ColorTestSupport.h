#pragma once

#include "color/ColorManager.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// A manager set up for one conversion, as a reader would set it up.
inline TColorManager MakeManager(TPixelScheme sourceScheme, uint32_t sourceBits,
                                 TPixelScheme targetScheme, uint32_t targetBits,
                                 TConversionFlags sourceFlags = 0,
                                 TConversionFlags targetFlags = 0) {
    TColorManager manager;
    manager.SetSourceScheme(sourceScheme);
    manager.SetSourceBits(sourceBits);
    manager.SetTargetScheme(targetScheme);
    manager.SetTargetBits(targetBits);
    manager.SetSourceFlags(sourceFlags);
    manager.SetTargetFlags(targetFlags);
    return manager;
}

// Bytes of 16-bit samples in host order, as a decoder hands them over.
inline std::vector<uint8_t> Words(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

// Bytes of 16-bit samples stored high byte first.
inline std::vector<uint8_t> BigEndianWords(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : values) {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v));
    }
    return bytes;
}

// Converts SOURCE (interleaved) into a copy of TARGET and returns the result.
inline std::vector<uint8_t> Convert(TColorManager& manager, const std::vector<uint8_t>& source,
                                    std::vector<uint8_t> target, uint32_t count,
                                    uint8_t mask = 0xFF) {
    manager.ConvertPixels(source.data(), target.data(), count, mask);
    return target;
}

// A parameterised test's name from the description in its case.
template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return TestNameFromText(info.param.name);
}
