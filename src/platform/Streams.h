#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Byte stream with the platform's contract: Read returns what it could get, ReadBuffer
// raises EReadError when the stream ends before Count bytes arrived.
class TStream {
public:
    virtual ~TStream() = default;
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    // Bytes between the position and the end; never negative.
    int64_t Remaining();

    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies Count bytes from Source (all of it from its start when Count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
};

// Stream over memory it owns. Seeking past the end is allowed; a write there extends the
// data with zeros, as the platform's memory stream does.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    TMemoryStream(const void* data, size_t size);
    explicit TMemoryStream(std::vector<uint8_t> data) : Data(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(Data.size()); }

    const std::vector<uint8_t>& Memory() const { return Data; }
    void Clear();

private:
    std::vector<uint8_t> Data;
    int64_t Pos = 0;
};

enum class TFileMode { fmOpenRead, fmCreate };

// Buffered stream over a file. Large reads bypass the buffer so a picture's rows go from
// the kernel straight into their destination.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

private:
    void DropBuffer();

    int Handle = -1;
    int64_t FilePos = 0; // position of the descriptor
    std::vector<uint8_t> Buffer;
    int64_t BufferStart = 0; // file offset of Buffer[0]
    int64_t BufferFill = 0;  // valid bytes in Buffer
    int64_t BufferPos = 0;   // read position within Buffer
};
