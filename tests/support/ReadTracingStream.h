#pragma once

#include "platform/Streams.h"

#include <cstdint>
#include <vector>

// A memory stream that remembers how often each of its bytes was read: a reader that parses
// its header once reads no byte twice.
class TReadTracingStream : public TMemoryStream {
public:
    explicit TReadTracingStream(const std::vector<uint8_t>& data)
        : TMemoryStream(data.data(), data.size()), Reads(data.size(), 0) {}

    int64_t Read(void* buffer, int64_t count) override {
        const int64_t from = Position();
        const int64_t got = TMemoryStream::Read(buffer, count);
        for (int64_t i = from; i < from + got; ++i)
            ++Reads[size_t(i)];
        return got;
    }

    // The bytes read more than once.
    int64_t BytesReread() const {
        int64_t count = 0;
        for (uint8_t n : Reads)
            count += n > 1;
        return count;
    }

private:
    std::vector<uint8_t> Reads; // saturating is not needed: a count above 1 is what matters
};
