#include "formats/JPEGMetadata.h"

#include "formats/ExifOrientation.h"
#include "platform/ByteCursor.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint8_t StartOfScan = 0xDA;
constexpr uint8_t EndOfImage = 0xD9;
constexpr uint8_t App1 = 0xE1;
constexpr uint8_t App2 = 0xE2;
constexpr char ExifSignature[] = "Exif\0";            // with the array's own zero: "Exif\0\0"
constexpr char IccSignature[] = "ICC_PROFILE";        // followed by its zero
constexpr size_t IccHeader = sizeof IccSignature + 2; // signature, sequence number, count

bool StartsWith(std::span<const uint8_t> bytes, const char* signature, size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

bool StandsAlone(uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// The chunks of an ICC profile, by sequence number from 1.
class TIccChunks {
public:
    void Add(std::span<const uint8_t> segment) {
        const uint8_t sequence = segment[sizeof IccSignature];
        const uint8_t count = segment[sizeof IccSignature + 1];
        if (Chunks.empty())
            Chunks.resize(count);
        if (count != Chunks.size() || sequence == 0 || sequence > count ||
            !Chunks[sequence - 1].empty()) {
            Broken = true;
            return;
        }
        Chunks[sequence - 1].assign(segment.begin() + IccHeader, segment.end());
    }
    std::vector<uint8_t> Profile() const {
        std::vector<uint8_t> profile;
        if (Broken)
            return profile;
        for (const auto& chunk : Chunks) {
            if (chunk.empty())
                return {};
            profile.insert(profile.end(), chunk.begin(), chunk.end());
        }
        return profile;
    }

private:
    std::vector<std::vector<uint8_t>> Chunks;
    bool Broken = false;
};

} // namespace

TPictureMetadata ReadJPEGMetadata(std::span<const uint8_t> file) {
    TPictureMetadata metadata;
    const TByteCursor in(file, TByteOrder::boBigEndian);
    if (!in.Has(0, 2) || in.U8At(0) != 0xFF || in.U8At(1) != 0xD8)
        return metadata;
    TIccChunks icc;
    bool exifSeen = false;
    size_t position = 2;
    while (in.Has(position, 2)) {
        if (in.U8At(position) != 0xFF) {
            ++position; // garbage between segments
            continue;
        }
        const uint8_t marker = in.U8At(position + 1);
        if (marker == 0xFF) {
            ++position; // fill byte
            continue;
        }
        position += 2;
        if (marker == StartOfScan || marker == EndOfImage)
            break;
        if (StandsAlone(marker))
            continue;
        if (!in.Has(position, 2))
            break;
        // The length counts its own two bytes.
        const size_t length = in.U16At(position);
        if (length < 2 || !in.Has(position, length))
            break;
        const std::span<const uint8_t> payload = file.subspan(position + 2, length - 2);
        if (marker == App1 && !exifSeen && StartsWith(payload, ExifSignature, 6)) {
            exifSeen = true;
            metadata.Orientation = ExifOrientation(payload);
        } else if (marker == App2 && payload.size() > IccHeader &&
                   StartsWith(payload, IccSignature, sizeof IccSignature)) {
            icc.Add(payload);
        }
        position += length;
    }
    metadata.IccProfile = icc.Profile();
    return metadata;
}
