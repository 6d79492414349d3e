#include "platform/StreamBlocks.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::vector<uint8_t> Bytes = {0x12, 0x34, 0x56, 0x78, 0x9A};

struct ETruncated : std::runtime_error {
    ETruncated() : std::runtime_error("truncated") {}
};
[[noreturn]] void RaiseTruncated() {
    throw ETruncated();
}

TEST(StreamBlocks, ABlockIsReadWholeAndParsedInItsOrder) {
    TMemoryStream stream(Bytes.data(), Bytes.size());
    stream.SetPosition(1);
    std::array<uint8_t, 2> small;
    EXPECT_EQ(ReadBlock(stream, small, TByteOrder::boBigEndian).U16(), 0x3456);
    TPictureMemory storage;
    const TByteCursor rest = ReadBlock(stream, 2, storage, TByteOrder::boLittleEndian);
    EXPECT_EQ(rest.Size(), 2u);
    EXPECT_EQ(rest.U16At(0), 0x9A78);
    EXPECT_EQ(stream.Position(), 5);
}

TEST(StreamBlocks, ABlockPastTheEndCallsTheHandlerBeforeAllocating) {
    TMemoryStream stream(Bytes.data(), Bytes.size());
    TPictureMemory storage;
    EXPECT_THROW(
        ReadBlock(stream, uint64_t(1) << 40, storage, TByteOrder::boLittleEndian, RaiseTruncated),
        ETruncated);
    EXPECT_EQ(storage.Size(), 0u);
    std::array<uint8_t, 6> tooMany;
    EXPECT_THROW(ReadBlock(stream, tooMany, TByteOrder::boLittleEndian), EReadError);
}

TEST(StreamBlocks, HoldsAndSkipAvailableMeasureWhatIsLeft) {
    TMemoryStream stream(Bytes.data(), Bytes.size());
    stream.SetPosition(3);
    EXPECT_TRUE(StreamHolds(stream, 2));
    EXPECT_FALSE(StreamHolds(stream, 3));
    EXPECT_EQ(SkipAvailable(stream, 10), 2u);
    EXPECT_EQ(stream.Position(), 5);
}

// A memory stream's bytes are used where they lie; a file's are read once into storage.
TEST(StreamBlocks, StreamBytesAreTheRestOfTheStream) {
    TMemoryStream memory(Bytes.data(), Bytes.size());
    memory.SetPosition(2);
    TPictureMemory storage;
    const std::span<const uint8_t> inPlace = StreamBytes(memory, storage);
    EXPECT_EQ(inPlace.data(), memory.Memory().data() + 2);
    EXPECT_EQ(inPlace.size(), 3u);
    EXPECT_EQ(storage.Size(), 0u);

    const auto path = std::filesystem::temp_directory_path() /
                      ("pelorama-stream-bytes-" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    TFileStream file(path.string(), TFileMode::fmOpenRead);
    file.SetPosition(1);
    const std::span<const uint8_t> read = StreamBytes(file, storage);
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.end()),
              std::vector<uint8_t>(Bytes.begin() + 1, Bytes.end()));
    EXPECT_EQ(read.data(), storage.Data());
    EXPECT_EQ(file.Position(), 5);
    std::filesystem::remove(path);
}

} // namespace
