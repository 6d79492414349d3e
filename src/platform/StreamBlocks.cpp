#include "platform/StreamBlocks.h"

#include <cstdlib>

void RaiseOverrun(TOverrunHandler overrun) {
    overrun();
    std::abort();
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

void SkipBlock(TStream& stream, uint64_t count, TOverrunHandler overrun) {
    if (!StreamHolds(stream, count))
        RaiseOverrun(overrun);
    stream.Seek(int64_t(count), TSeekOrigin::soCurrent);
}
