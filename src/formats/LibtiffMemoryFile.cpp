#include "formats/LibtiffMemoryFile.h"

#include <algorithm>
#include <cstring>

TIFF* TLibtiffMemoryFile::Open(const char* mode, TIFFOpenOptions* options) {
    FPosition = 0;
    return TIFFClientOpenExt("TIFF", mode, static_cast<thandle_t>(static_cast<void*>(this)), Read,
                             Write, Seek, Close, Size, Map, Unmap, options);
}

TLibtiffMemoryFile& TLibtiffMemoryFile::Of(thandle_t handle) {
    return *static_cast<TLibtiffMemoryFile*>(static_cast<void*>(handle));
}

tmsize_t TLibtiffMemoryFile::Read(thandle_t handle, void* buffer, tmsize_t size) {
    TLibtiffMemoryFile& file = Of(handle);
    const uint64_t available =
        file.FPosition < file.FBytes.size() ? file.FBytes.size() - file.FPosition : 0;
    const uint64_t count = std::min<uint64_t>(uint64_t(std::max<tmsize_t>(size, 0)), available);
    if (count > 0)
        std::memcpy(buffer, file.FBytes.data() + file.FPosition, size_t(count));
    file.FPosition += count;
    return tmsize_t(count);
}

tmsize_t TLibtiffMemoryFile::Write(thandle_t handle, void* buffer, tmsize_t size) {
    TLibtiffMemoryFile& file = Of(handle);
    // Bytes given to read are not written over.
    if (size < 0 || (!file.FBytes.empty() && file.FBytes.data() != file.FWritten.data()))
        return -1;
    if (file.FPosition + uint64_t(size) > file.FWritten.size())
        file.FWritten.resize(size_t(file.FPosition + uint64_t(size)));
    if (size > 0)
        std::memcpy(file.FWritten.data() + file.FPosition, buffer, size_t(size));
    file.FPosition += uint64_t(size);
    file.FBytes = file.FWritten;
    return size;
}

toff_t TLibtiffMemoryFile::Seek(thandle_t handle, toff_t offset, int whence) {
    TLibtiffMemoryFile& file = Of(handle);
    const uint64_t base = whence == SEEK_CUR   ? file.FPosition
                          : whence == SEEK_END ? file.FBytes.size()
                                               : 0;
    file.FPosition = base + offset;
    return file.FPosition;
}

int TLibtiffMemoryFile::Close(thandle_t) {
    return 0;
}

toff_t TLibtiffMemoryFile::Size(thandle_t handle) {
    return Of(handle).FBytes.size();
}

int TLibtiffMemoryFile::Map(thandle_t handle, void** base, toff_t* size) {
    TLibtiffMemoryFile& file = Of(handle);
    *base = const_cast<uint8_t*>(file.FBytes.data());
    *size = file.FBytes.size();
    return 1;
}

void TLibtiffMemoryFile::Unmap(thandle_t, void*, toff_t) {}
