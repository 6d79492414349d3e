#include "platform/ByteCursor.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t> Bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x80};

struct TValueCase {
    const char* Name;
    TByteOrder Order;
    std::function<uint64_t(TByteCursor&)> Read;
    uint64_t Expected;
    size_t PositionAfter;
};

class ByteCursorValues : public ::testing::TestWithParam<TValueCase> {};

TEST_P(ByteCursorValues, ReadsInTheCursorsOrderAndAdvances) {
    TByteCursor cursor(Bytes, GetParam().Order);
    EXPECT_EQ(GetParam().Read(cursor), GetParam().Expected);
    EXPECT_EQ(cursor.Position(), GetParam().PositionAfter);
}

constexpr auto LE = TByteOrder::boLittleEndian;
constexpr auto BE = TByteOrder::boBigEndian;

INSTANTIATE_TEST_SUITE_P(
    Reads, ByteCursorValues,
    ::testing::Values(
        TValueCase{"U8", LE, [](TByteCursor& c) { return c.U8(); }, 0x01, 1},
        TValueCase{"U16LE", LE, [](TByteCursor& c) { return c.U16(); }, 0x0201, 2},
        TValueCase{"U16BE", BE, [](TByteCursor& c) { return c.U16(); }, 0x0102, 2},
        TValueCase{"U32LE", LE, [](TByteCursor& c) { return c.U32(); }, 0x04030201, 4},
        TValueCase{"U32BE", BE, [](TByteCursor& c) { return c.U32(); }, 0x01020304, 4},
        TValueCase{"U64LE", LE, [](TByteCursor& c) { return c.U64(); }, 0x0807060504030201, 8},
        TValueCase{"U64BE", BE, [](TByteCursor& c) { return c.U64(); }, 0x0102030405060708, 8},
        TValueCase{"I16AtSignExtends", BE,
                   [](TByteCursor& c) { return uint64_t(int64_t(c.I16At(7))); },
                   uint64_t(int64_t(int16_t(0x0880))), 0},
        TValueCase{"U32AtLeavesPosition", LE, [](TByteCursor& c) { return c.U32At(5); }, 0x80080706,
                   0},
        TValueCase{"SubKeepsOrder", BE, [](TByteCursor& c) { return c.Sub(2, 2).U16(); }, 0x0304,
                   0}),
    [](const auto& info) { return std::string(info.param.Name); });

[[noreturn]] void RaiseInvalid() {
    throw EInvalidGraphic("truncated");
}

struct TBoundaryCase {
    const char* Name;
    std::function<void(TByteCursor&)> Step;
    bool Fits;
};

class ByteCursorBounds : public ::testing::TestWithParam<TBoundaryCase> {};

// Every operation is tried on a 9-byte range at position 5: what ends exactly at the end
// fits, one byte more raises the handler's error.
TEST_P(ByteCursorBounds, EndsAtTheRangeEnd) {
    TByteCursor cursor(Bytes, LE, RaiseInvalid);
    cursor.Seek(5);
    if (GetParam().Fits)
        EXPECT_NO_THROW(GetParam().Step(cursor));
    else
        EXPECT_THROW(GetParam().Step(cursor), EInvalidGraphic);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ByteCursorBounds,
    ::testing::Values(
        TBoundaryCase{"U32ToEnd", [](TByteCursor& c) { c.U32(); }, true},
        TBoundaryCase{"U64PastEnd", [](TByteCursor& c) { c.U64(); }, false},
        TBoundaryCase{"RequireToEnd", [](TByteCursor& c) { c.Require(4); }, true},
        TBoundaryCase{"RequirePastEnd", [](TByteCursor& c) { c.Require(5); }, false},
        TBoundaryCase{"SkipToEnd", [](TByteCursor& c) { c.Skip(4); }, true},
        TBoundaryCase{"SkipPastEnd", [](TByteCursor& c) { c.Skip(5); }, false},
        TBoundaryCase{"SeekToEnd", [](TByteCursor& c) { c.Seek(9); }, true},
        TBoundaryCase{"SeekPastEnd", [](TByteCursor& c) { c.Seek(10); }, false},
        TBoundaryCase{"TakeRangeToEnd", [](TByteCursor& c) { c.TakeRange(4).Skip(4); }, true},
        TBoundaryCase{"TakeRangePastEnd", [](TByteCursor& c) { c.TakeRange(5); }, false},
        TBoundaryCase{"ReadInsideSubPastItsEnd", [](TByteCursor& c) { c.TakeRange(2).U32(); },
                      false},
        TBoundaryCase{"HugeOffsetDoesNotWrap", [](TByteCursor& c) { c.Sub(UINT64_MAX - 1, 4); },
                      false},
        TBoundaryCase{"ArrayToEnd", [](TByteCursor& c) { c.RequireArray(1, 2, 4); }, true},
        TBoundaryCase{"ArrayPastEnd", [](TByteCursor& c) { c.RequireArray(1, 3, 3); }, false},
        TBoundaryCase{"ArrayOverflowing",
                      [](TByteCursor& c) { c.RequireArray(0, UINT64_MAX / 2, 4); }, false},
        TBoundaryCase{"ByteAtLastOffset", [](TByteCursor& c) { c.U8At(8); }, true},
        TBoundaryCase{"ByteAtSize", [](TByteCursor& c) { c.U8At(9); }, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ByteCursor, DefaultHandlerRaisesTheStreamReadError) {
    TByteCursor cursor(Bytes.data(), 1);
    try {
        cursor.U16();
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(ByteCursor, ReadCopiesAndTakeReturnsTheBytesInPlace) {
    TByteCursor cursor(Bytes);
    uint8_t out[3] = {};
    cursor.Read(out, 3);
    EXPECT_EQ(out[2], 0x03);
    EXPECT_EQ(cursor.Take(2), Bytes.data() + 3);
    EXPECT_EQ(cursor.Remaining(), 4u);
    EXPECT_FALSE(cursor.AtEnd());
}

} // namespace
