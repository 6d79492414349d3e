#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <tiffio.h>

// A TIFF file in memory for libtiff's client procedures: bytes that lie elsewhere to read,
// or a buffer of its own that libtiff writes. The whole file is handed over as mapped, so
// that libtiff decodes strips where they lie, its fastest path.
class TLibtiffMemoryFile {
public:
    // BYTES must outlive the file.
    explicit TLibtiffMemoryFile(std::span<const uint8_t> bytes = {}) : FBytes(bytes) {}
    TLibtiffMemoryFile(const TLibtiffMemoryFile&) = delete;
    TLibtiffMemoryFile& operator=(const TLibtiffMemoryFile&) = delete;

    // libtiff's handle on the file from its start, opened in MODE with OPTIONS (which may be
    // null); null when libtiff refuses it.
    TIFF* Open(const char* mode, TIFFOpenOptions* options = nullptr);
    // The bytes given, or those written.
    std::span<const uint8_t> Bytes() const { return FBytes; }

private:
    static TLibtiffMemoryFile& Of(thandle_t handle);
    static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size);
    static tmsize_t Write(thandle_t handle, void* buffer, tmsize_t size);
    static toff_t Seek(thandle_t handle, toff_t offset, int whence);
    static int Close(thandle_t handle);
    static toff_t Size(thandle_t handle);
    static int Map(thandle_t handle, void** base, toff_t* size);
    static void Unmap(thandle_t handle, void* base, toff_t size);

    std::span<const uint8_t> FBytes;
    std::vector<uint8_t> FWritten;
    uint64_t FPosition = 0;
};
