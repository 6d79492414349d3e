#include "platform/Streams.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sys/stat.h>

namespace {

std::filesystem::path WriteTempFile(const std::vector<uint8_t>& bytes) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("pelorama-stream-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

TEST(MemoryStream, ReadBufferPastTheEndRaisesStreamReadError) {
    TMemoryStream stream(std::vector<uint8_t>{1, 2, 3});
    uint8_t out[4] = {};
    stream.ReadBuffer(out, 2);
    EXPECT_EQ(out[1], 2);
    try {
        stream.ReadBuffer(out, 2);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(MemoryStream, SeekClampsAtStartAndWriteBeyondEndZeroFills) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Seek(-5, TSeekOrigin::soCurrent), 0);
    stream.SetPosition(3);
    const uint8_t byte = 7;
    stream.WriteBuffer(&byte, 1);
    EXPECT_EQ(stream.Memory(), (std::vector<uint8_t>{0, 0, 0, 7}));
    EXPECT_EQ(stream.Remaining(), 0);
}

TEST(FileStream, BufferedAndDirectReadsAgreeWithTheFile) {
    std::vector<uint8_t> bytes(300000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + (i >> 8));
    const auto path = WriteTempFile(bytes);
    TFileStream stream(path.string(), TFileMode::fmOpenRead);
    EXPECT_EQ(stream.Size(), 300000);

    uint8_t small[10];
    stream.ReadBuffer(small, 10);
    EXPECT_EQ(0, std::memcmp(small, bytes.data(), 10));
    std::vector<uint8_t> large(200000);
    stream.ReadBuffer(large.data(), 200000); // crosses the buffer, goes direct
    EXPECT_EQ(0, std::memcmp(large.data(), bytes.data() + 10, 200000));
    EXPECT_EQ(stream.Position(), 200010);

    stream.Seek(-200005, TSeekOrigin::soCurrent);
    stream.ReadBuffer(small, 10);
    EXPECT_EQ(0, std::memcmp(small, bytes.data() + 5, 10));
    stream.Seek(-3, TSeekOrigin::soEnd);
    EXPECT_EQ(stream.Read(large.data(), 100), 3);
    EXPECT_EQ(0, std::memcmp(large.data(), bytes.data() + 299997, 3));
    EXPECT_THROW(stream.ReadBuffer(small, 1), EReadError);
    std::filesystem::remove(path);
}

// A pipe without a writer would block the open and every read for good: it is refused at
// once, as is everything else that is no regular file.
TEST(FileStream, AnythingButARegularFileRaisesOpenError) {
    const auto pipe = WriteTempFile({});
    std::filesystem::remove(pipe);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto link = pipe.string() + ".jpg";
    std::filesystem::create_symlink(pipe, link);
    for (const std::string& path : {std::string("/nonexistent/pelorama/x.bmp"),
                                    std::filesystem::temp_directory_path().string(), pipe.string(),
                                    link, std::string("/dev/zero")})
        EXPECT_THROW(TFileStream(path, TFileMode::fmOpenRead), EFOpenError) << path;
    std::filesystem::remove(link);
    std::filesystem::remove(pipe);
}

TEST(FileStream, WriteThenReadBack) {
    const auto path = WriteTempFile({});
    {
        TFileStream out(path.string(), TFileMode::fmCreate);
        out.WriteBuffer("abc", 3);
    }
    TFileStream in(path.string(), TFileMode::fmOpenRead);
    char text[4] = {};
    in.ReadBuffer(text, 3);
    EXPECT_STREQ(text, "abc");
    std::filesystem::remove(path);
}

} // namespace
