#include "platform/Streams.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::Size() {
    const int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

int64_t TStream::Remaining() {
    return std::max<int64_t>(0, Size() - Position());
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : Data(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t size = Size();
    if (count <= 0 || Pos >= size)
        return 0;
    const int64_t n = std::min(count, size - Pos);
    std::memcpy(buffer, Data.data() + Pos, static_cast<size_t>(n));
    Pos += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const int64_t end = Pos + count;
    if (end > Size())
        Data.resize(static_cast<size_t>(end));
    std::memcpy(Data.data() + Pos, buffer, static_cast<size_t>(count));
    Pos = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = Pos;
    else if (origin == TSeekOrigin::soEnd)
        base = Size();
    // A position before the start cannot exist; clamp rather than wrap.
    Pos = std::max<int64_t>(0, base + offset);
    return Pos;
}

void TMemoryStream::Clear() {
    Data.clear();
    Pos = 0;
}

namespace {
constexpr int64_t BufferCapacity = 64 * 1024;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) {
    // A pipe or a device would block the open or the first read, perhaps for good: reading
    // opens without waiting and accepts nothing but a regular file.
    if (mode == TFileMode::fmCreate)
        Handle = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    else
        Handle = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (Handle < 0) {
        const std::string verb = mode == TFileMode::fmCreate ? "create" : "open";
        throw EFOpenError("Cannot " + verb + " file \"" + fileName + "\". " + std::strerror(errno));
    }
    struct stat info {};
    if (mode == TFileMode::fmOpenRead && (::fstat(Handle, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(Handle);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " +
                          (S_ISDIR(info.st_mode) ? "Is a directory" : "Not a regular file"));
    }
}

TFileStream::~TFileStream() {
    if (Handle >= 0)
        ::close(Handle);
}

void TFileStream::DropBuffer() {
    if (BufferFill > 0) {
        FilePos = BufferStart + BufferPos;
        ::lseek(Handle, FilePos, SEEK_SET);
    }
    BufferFill = 0;
    BufferPos = 0;
}

namespace {
int64_t ReadFully(int handle, uint8_t* out, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(handle, out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}
} // namespace

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    const int64_t buffered = std::min(count, BufferFill - BufferPos);
    if (buffered > 0) {
        std::memcpy(out, Buffer.data() + BufferPos, static_cast<size_t>(buffered));
        BufferPos += buffered;
        done = buffered;
    }
    if (done == count)
        return done;
    // The buffer is used up: the descriptor stands right after it.
    FilePos = BufferStart + BufferFill;
    BufferFill = BufferPos = 0;
    const int64_t left = count - done;
    if (left >= BufferCapacity) {
        const int64_t n = ReadFully(Handle, out + done, left);
        FilePos += n;
        BufferStart = FilePos;
        return done + n;
    }
    Buffer.resize(BufferCapacity);
    BufferStart = FilePos;
    BufferFill = ReadFully(Handle, Buffer.data(), BufferCapacity);
    FilePos += BufferFill;
    const int64_t n = std::min(left, BufferFill);
    std::memcpy(out + done, Buffer.data(), static_cast<size_t>(n));
    BufferPos = n;
    return done + n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    DropBuffer();
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(Handle, in + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    FilePos += done;
    BufferStart = FilePos;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t current = BufferFill > 0 ? BufferStart + BufferPos : FilePos;
    int64_t target = 0;
    if (origin == TSeekOrigin::soBeginning)
        target = offset;
    else if (origin == TSeekOrigin::soCurrent)
        target = current + offset;
    else
        target = Size() + offset;
    target = std::max<int64_t>(0, target);
    if (BufferFill > 0 && target >= BufferStart && target <= BufferStart + BufferFill) {
        BufferPos = target - BufferStart;
        return target;
    }
    BufferFill = BufferPos = 0;
    FilePos = ::lseek(Handle, target, SEEK_SET);
    if (FilePos < 0)
        FilePos = 0;
    BufferStart = FilePos;
    return FilePos;
}

int64_t TFileStream::Size() {
    struct stat info {};
    if (::fstat(Handle, &info) != 0)
        return 0;
    return static_cast<int64_t>(info.st_size);
}
