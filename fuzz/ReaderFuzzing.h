#pragma once

#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>

// Loads the input with one reader. The reader's refusals are the expected outcome of most
// inputs; anything else (a crash, a sanitizer report, a hang) is a finding. Pictures are
// kept small so that the fuzzer spends its time on parsing, not on clearing memory.
template <class TReader>
int FuzzReader(const uint8_t* data, size_t size) {
    SetPicturePixelLimit(int64_t(1) << 18);
    TMemoryStream stream(data, size);
    TReader reader;
    try {
        reader.LoadFromStream(stream);
    } catch (const Exception&) {
    }
    return 0;
}
