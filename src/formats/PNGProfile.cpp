#include "formats/PNGProfile.h"

#include <algorithm>

#include <zlib.h>

namespace {
constexpr size_t MaxNameLength = 79;
constexpr size_t MaxProfileSize = size_t(16) << 20;
} // namespace

std::vector<uint8_t> InflateICCPChunk(std::span<const uint8_t> chunk) {
    const auto nameEnd =
        std::find(chunk.begin(), chunk.begin() + std::min(chunk.size(), MaxNameLength + 1), 0);
    const size_t methodAt = size_t(nameEnd - chunk.begin()) + 1;
    if (nameEnd == chunk.end() || methodAt >= chunk.size() || chunk[methodAt] != 0)
        return {};
    const std::span<const uint8_t> stream = chunk.subspan(methodAt + 1);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    std::vector<uint8_t> profile;
    int status = Z_OK;
    while (status == Z_OK && profile.size() < MaxProfileSize) {
        const size_t used = profile.size();
        profile.resize(std::min(MaxProfileSize, std::max<size_t>(4096, used * 2)));
        z.next_out = profile.data() + used;
        z.avail_out = uInt(profile.size() - used);
        status = inflate(&z, Z_NO_FLUSH);
        profile.resize(profile.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_out != 0)
            break; // the stream ended early
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END)
        return {};
    return profile;
}
