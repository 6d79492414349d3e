#pragma once

#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How readers that load from a stream take its structures: a block at a time, read whole
// and then parsed through a checked cursor. Whether the stream holds the block is checked
// here, once, before anything is read or allocated; a stream that does not calls Overrun.

// Calls the handler, which must not return.
[[noreturn]] void RaiseOverrun(TOverrunHandler overrun);

// The next Count bytes, in Storage (grown when it is smaller).
TByteCursor ReadBlock(TStream& stream, uint64_t count, TPictureMemory& storage, TByteOrder order,
                      TOverrunHandler overrun = RaiseStreamReadError);

// The next N bytes, in a small buffer of the caller's.
template <size_t N>
TByteCursor ReadBlock(TStream& stream, std::array<uint8_t, N>& storage, TByteOrder order,
                      TOverrunHandler overrun = RaiseStreamReadError) {
    if (stream.Read(storage.data(), int64_t(N)) != int64_t(N))
        RaiseOverrun(overrun);
    return TByteCursor(storage.data(), N, order, overrun);
}

// Whether the stream holds Count more bytes.
bool StreamHolds(TStream& stream, uint64_t count);

// Moves past the next Count bytes.
void SkipBlock(TStream& stream, uint64_t count, TOverrunHandler overrun = RaiseStreamReadError);
