#include "platform/PictureLimits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace {

constexpr int64_t MiB = int64_t(1) << 20;

// Every test runs with a 10 MiB budget and leaves the default behind.
class PictureMemory : public ::testing::Test {
protected:
    PictureMemory() { SetPictureMemoryBudget(10 * MiB); }
    ~PictureMemory() override { SetPictureMemoryBudget(0); }
};

TEST(PictureMemoryBudget, DefaultsToHalfThePhysicalMemoryAtMostTwoGiB) {
    const int64_t physical = int64_t(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGE_SIZE);
    EXPECT_EQ(DefaultPictureMemoryBudget(), std::min<int64_t>(2048 * MiB, physical / 2));
    SetPictureMemoryBudget(64 * MiB);
    EXPECT_EQ(PictureMemoryBudget(), 64 * MiB);
    SetPictureMemoryBudget(0);
    EXPECT_EQ(PictureMemoryBudget(), DefaultPictureMemoryBudget());
}

TEST_F(PictureMemory, ALoadHoldsAtMostTheBudgetAtOnce) {
    const TPictureLoadScope load;
    TPictureMemory first(6 * MiB);
    EXPECT_EQ(TPictureLoadScope::Available(), 4 * MiB);
    try {
        TPictureMemory second(6 * MiB);
        FAIL() << "over the budget";
    } catch (const EPictureMemory& e) {
        EXPECT_STREQ(e.what(), "Picture too large: it needs more memory than the 10 MiB allowed "
                               "for one picture.");
    }
    EXPECT_THROW(TPictureCharge(5 * MiB), EPictureMemory);
    first.Reset();
    const TPictureMemory second(6 * MiB);
    const TPictureCharge library(4 * MiB); // memory a library takes, announced
    EXPECT_EQ(TPictureLoadScope::Available(), 0);
    EXPECT_EQ(TPictureLoadScope::Peak(), 10 * MiB);
}

TEST_F(PictureMemory, StorageIsZeroedAndMovesWithItsCharge) {
    const TPictureLoadScope load;
    TPictureMemory moved(3 * MiB);
    EXPECT_TRUE(
        std::all_of(moved.Data(), moved.Data() + moved.Size(), [](uint8_t b) { return b == 0; }));
    TPictureMemory target = std::move(moved);
    EXPECT_EQ(moved.Size(), 0u);
    EXPECT_EQ(target.Size(), 3 * MiB);
    EXPECT_EQ(TPictureLoadScope::Available(), 7 * MiB);
    target = TPictureMemory();
    EXPECT_EQ(TPictureLoadScope::Available(), 10 * MiB);
}

// A picture inside a picture shares the budget of the outer load; a buffer that outlives its
// load (the picture it returns) gives nothing back to the next one.
TEST_F(PictureMemory, ScopesNestAndEveryLoadStartsAfresh) {
    TPictureMemory kept;
    {
        const TPictureLoadScope outer;
        kept = TPictureMemory(4 * MiB);
        {
            const TPictureLoadScope inner;
            EXPECT_EQ(TPictureLoadScope::Available(), 6 * MiB);
            EXPECT_THROW(TPictureMemory(7 * MiB), EPictureMemory);
        }
        EXPECT_EQ(TPictureLoadScope::Available(), 6 * MiB);
    }
    const TPictureLoadScope next;
    EXPECT_EQ(TPictureLoadScope::Available(), 10 * MiB);
    kept.Reset();
    EXPECT_EQ(TPictureLoadScope::Available(), 10 * MiB);
}

TEST_F(PictureMemory, OutsideALoadEachBufferAloneMustFit) {
    const TPictureMemory first(6 * MiB);
    const TPictureMemory second(6 * MiB);
    EXPECT_EQ(TPictureLoadScope::Available(), 10 * MiB);
    EXPECT_THROW(TPictureMemory(11 * MiB), EPictureMemory);
}

} // namespace
