#pragma once

#include "platform/ByteCursor.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>
#include <span>

// How readers that load from a stream take its structures: a block at a time, read whole
// and then parsed through a checked cursor. Whether the stream holds the block is checked
// here, once, before anything is read or allocated; a stream that does not calls Overrun.

// The next Count bytes, in Storage (grown when it is smaller).
TByteCursor ReadBlock(TStream& stream, uint64_t count, TPictureMemory& storage, TByteOrder order,
                      TOverrunHandler overrun = RaiseStreamReadError);

// The next Storage.size() bytes, in a buffer of the caller's.
TByteCursor ReadBlock(TStream& stream, std::span<uint8_t> storage, TByteOrder order,
                      TOverrunHandler overrun = RaiseStreamReadError);

// The bytes from the stream's position to its end, read once: a memory stream's own, where
// they lie; any other stream's into Storage, pooled picture memory that the load's budget
// counts.
std::span<const uint8_t> StreamBytes(TStream& stream, TPictureMemory& storage);

// Whether the stream holds Count more bytes.
bool StreamHolds(TStream& stream, uint64_t count);

// Moves past Count bytes, or to the end of a stream that holds fewer; returns how many.
uint64_t SkipAvailable(TStream& stream, uint64_t count);
