#include "platform/StreamBlocks.h"

#include <algorithm>
#include <cstdlib>

namespace {
// Calls the handler, which must not return.
[[noreturn]] void RaiseOverrun(TOverrunHandler overrun) {
    overrun();
    std::abort();
}
} // namespace

std::span<const uint8_t> StreamBytes(TStream& stream, TPictureMemory& storage) {
    const int64_t start = stream.Position();
    if (const auto* memory = dynamic_cast<const TMemoryStream*>(&stream)) {
        const std::span<const uint8_t> all(memory->Memory());
        return all.subspan(std::min(size_t(std::max<int64_t>(start, 0)), all.size()));
    }
    storage = TPictureMemory(size_t(stream.Remaining()), TPictureMemory::TFill::Unset);
    stream.ReadBuffer(storage.Data(), int64_t(storage.Size()));
    return {storage.Data(), storage.Size()};
}

bool StreamHolds(TStream& stream, uint64_t count) {
    return count <= uint64_t(stream.Remaining());
}

TByteCursor ReadBlock(TStream& stream, uint64_t count, TPictureMemory& storage, TByteOrder order,
                      TOverrunHandler overrun) {
    if (!StreamHolds(stream, count))
        RaiseOverrun(overrun);
    if (storage.Size() < count)
        storage = TPictureMemory(size_t(count));
    if (stream.Read(storage.Data(), int64_t(count)) != int64_t(count))
        RaiseOverrun(overrun);
    return TByteCursor(storage.Data(), size_t(count), order, overrun);
}

TByteCursor ReadBlock(TStream& stream, std::span<uint8_t> storage, TByteOrder order,
                      TOverrunHandler overrun) {
    if (stream.Read(storage.data(), int64_t(storage.size())) != int64_t(storage.size()))
        RaiseOverrun(overrun);
    return TByteCursor(storage, order, overrun);
}

uint64_t SkipAvailable(TStream& stream, uint64_t count) {
    const uint64_t available = std::min(count, uint64_t(stream.Remaining()));
    stream.Seek(int64_t(available), TSeekOrigin::soCurrent);
    return available;
}
