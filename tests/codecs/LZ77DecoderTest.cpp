#include "codecs/LZ77Decoder.h"

#include "codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <zlib.h>

using codec_fixtures::Bytes;

namespace {

// zlib's own encoder gives the independent truth.
Bytes Compress(const Bytes& data) {
    uLongf size = compressBound(data.size());
    Bytes packed(size);
    EXPECT_EQ(compress(packed.data(), &size, data.data(), data.size()), Z_OK);
    packed.resize(size);
    return packed;
}

Bytes PictureRows() {
    return codec_fixtures::ReadPgm("codecs-noise.pgm").Pixels;
}

} // namespace

TEST(LZ77Decoder, DecodesZlibsStreamInOneBlock) {
    const Bytes data = PictureRows();
    const Bytes packed = Compress(data);
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    Bytes output(data.size() + 10);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()),
                   static_cast<int32_t>(output.size()));
    EXPECT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    EXPECT_EQ(source, packed.data() + packed.size());
    EXPECT_EQ(dest, output.data() + data.size());
    EXPECT_EQ(decoder.AvailableInput(), 0u);
    EXPECT_EQ(decoder.AvailableOutput(), 10u);
    output.resize(data.size());
    EXPECT_EQ(output, data);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, StreamSplitOverBlocksDecodesTheSame) {
    const Bytes data = PictureRows();
    const Bytes packed = Compress(data);
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    Bytes output(data.size());
    uint8_t* dest = output.data();
    // Odd input blocks and one row of output room at a time, as the PNG reader feeds it.
    const uint8_t* source = packed.data();
    const uint8_t* const end = packed.data() + packed.size();
    while (decoder.ZLibResult() == Z_OK && dest < output.data() + output.size()) {
        const uint8_t* const blockEnd = std::min(source + 77, end);
        while (source < blockEnd && decoder.ZLibResult() == Z_OK &&
               dest < output.data() + output.size()) {
            const int32_t room =
                std::min<int32_t>(96, static_cast<int32_t>(output.data() + output.size() - dest));
            decoder.Decode(source, dest, static_cast<int32_t>(blockEnd - source), room);
            EXPECT_EQ(static_cast<uint32_t>(blockEnd - source), decoder.AvailableInput());
        }
    }
    EXPECT_EQ(output, data);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, DecodeAfterStreamEndChangesNothing) {
    const Bytes data(1000, 42);
    Bytes packed = Compress(data);
    const size_t streamSize = packed.size();
    packed.insert(packed.end(), {1, 2, 3});
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    Bytes output(2000, 0);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), 2000);
    ASSERT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    EXPECT_EQ(source, packed.data() + streamSize);
    EXPECT_EQ(decoder.AvailableInput(), 3u);

    const uint8_t* const sourceBefore = source;
    uint8_t* const destBefore = dest;
    const Bytes outputBefore = output;
    decoder.Decode(source, dest, 3, 1000);
    EXPECT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    EXPECT_EQ(source, sourceBefore);
    EXPECT_EQ(dest, destBefore);
    EXPECT_EQ(output, outputBefore);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, AutoResetStartsAFreshStreamEveryCall) {
    const Bytes first(500, 1);
    const Bytes second = PictureRows();
    Bytes packed = Compress(first);
    const size_t firstSize = packed.size();
    const Bytes secondPacked = Compress(second);
    packed.insert(packed.end(), secondPacked.begin(), secondPacked.end());

    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, true);
    decoder.DecodeInit();
    Bytes output(first.size() + second.size());
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(firstSize),
                   static_cast<int32_t>(first.size()));
    EXPECT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    decoder.Decode(source, dest, static_cast<int32_t>(secondPacked.size()),
                   static_cast<int32_t>(second.size()));
    EXPECT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    EXPECT_EQ(dest, output.data() + output.size());
    EXPECT_EQ(Bytes(output.begin(), output.begin() + first.size()), first);
    EXPECT_EQ(Bytes(output.begin() + first.size(), output.end()), second);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, FinishModeDecodesAWholeBlock) {
    const Bytes data = PictureRows();
    const Bytes packed = Compress(data);
    TLZ77Decoder decoder(Z_FINISH, false);
    decoder.DecodeInit();
    Bytes output(data.size());
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()),
                   static_cast<int32_t>(output.size()));
    EXPECT_EQ(decoder.ZLibResult(), Z_STREAM_END);
    EXPECT_EQ(output, data);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, CorruptDataShowsAsNegativeResultAndLaterCallsDoNothing) {
    Bytes packed = Compress(PictureRows());
    packed[0] ^= 0xFF; // broken zlib header
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    Bytes output(100, 7);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), 100);
    EXPECT_LT(decoder.ZLibResult(), 0);
    const uint8_t* const sourceAfter = source;
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), 100);
    EXPECT_LT(decoder.ZLibResult(), 0);
    EXPECT_EQ(source, sourceAfter);
    EXPECT_EQ(dest, output.data());
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, TruncatedStreamStopsWithoutError) {
    const Bytes data = PictureRows();
    const Bytes packed = Compress(data);
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    Bytes output(data.size());
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size() / 2),
                   static_cast<int32_t>(output.size()));
    EXPECT_EQ(decoder.ZLibResult(), Z_OK);
    EXPECT_GT(decoder.AvailableOutput(), 0u);
    EXPECT_TRUE(std::equal(output.data(), dest, data.begin()));
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, EndWithoutInitialisationRaises) {
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    try {
        decoder.DecodeEnd();
        FAIL() << "no exception";
    } catch (const EGraphicCompression& error) {
        EXPECT_EQ(error.Message(), "LZ77 decompression error.");
    }
    // Ending twice is the same misuse.
    decoder.DecodeInit();
    decoder.DecodeEnd();
    EXPECT_THROW(decoder.DecodeEnd(), EGraphicCompression);
}

TEST(LZ77Decoder, DecodeBeforeInitialisationFailsQuietly) {
    const Bytes packed = Compress(Bytes(10, 1));
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    Bytes output(10, 0);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), 10);
    EXPECT_LT(decoder.ZLibResult(), 0);
    EXPECT_EQ(output, Bytes(10, 0));
}

namespace {

struct TWholeStreamCase {
    const char* Name;
    size_t Cut;       // packed bytes given, from the end (0: all)
    size_t FlippedAt; // packed byte inverted, counted from the end (0: none)
    size_t Room;      // output room less than the data by (0: exactly the data)
    size_t Trailing;  // bytes after the stream
};

// What a streaming decoder makes of the bytes: inflate's own output, the reference for
// whole streams.
struct TOutcome {
    int32_t Result;
    size_t Consumed;
    Bytes Output;
    bool operator==(const TOutcome&) const = default;
};

TOutcome DecodeOnce(bool autoReset, const Bytes& packed, size_t room) {
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, autoReset);
    decoder.DecodeInit();
    Bytes output(room, 0xEE);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), static_cast<int32_t>(room));
    // Whole streams clear what they do not yield, whatever libdeflate left there.
    if (autoReset) {
        EXPECT_TRUE(decoder.ClearsUnyielded());
        EXPECT_TRUE(
            std::all_of(dest, output.data() + output.size(), [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(decoder.AvailableInput(), packed.data() + packed.size() - source);
    EXPECT_EQ(decoder.AvailableOutput(), output.data() + output.size() - dest);
    output.resize(size_t(dest - output.data()));
    const int32_t result = decoder.ZLibResult();
    decoder.DecodeEnd();
    return {result == Z_STREAM_END ? 1
            : result < 0           ? -1
                                   : 0,
            size_t(source - packed.data()), output};
}

class LZ77WholeStream : public ::testing::TestWithParam<TWholeStreamCase> {};

// A strip's stream decoded whole gives what inflate gives, damaged or not.
TEST_P(LZ77WholeStream, GivesWhatInflateGives) {
    const TWholeStreamCase& c = GetParam();
    const Bytes data = PictureRows();
    Bytes packed = Compress(data);
    packed.resize(packed.size() - c.Cut);
    if (c.FlippedAt)
        packed[packed.size() - c.FlippedAt] ^= 0xFF;
    packed.insert(packed.end(), c.Trailing, 9);
    const size_t room = data.size() - c.Room;
    const TOutcome whole = DecodeOnce(true, packed, room);
    EXPECT_EQ(whole, DecodeOnce(false, packed, room));
    const bool intact = c.Cut == 0 && c.FlippedAt == 0 && c.Room == 0;
    EXPECT_EQ(whole.Result, intact ? 1 : c.Cut || c.Room ? 0 : -1);
    if (intact) {
        EXPECT_EQ(whole.Output, data);
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, LZ77WholeStream,
                         ::testing::Values(TWholeStreamCase{"Intact", 0, 0, 0, 0},
                                           TWholeStreamCase{"Trailing", 0, 0, 0, 5},
                                           TWholeStreamCase{"Truncated", 700, 0, 0, 0},
                                           TWholeStreamCase{"BadChecksum", 0, 1, 0, 0},
                                           TWholeStreamCase{"DamagedData", 0, 900, 0, 0},
                                           TWholeStreamCase{"ShortOfRoom", 0, 0, 333, 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
