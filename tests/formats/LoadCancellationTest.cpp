#include "platform/LoadCancellation.h"
#include "formats/PPMGraphic.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

struct TLoadRun {
    bool Cancelled = false;
    int RowsReported = 0;
};

// Loads a 3 x 5 gray picture, whose reader reports each row; the listener sets the flag once
// it has seen STOPAFTER rows.
TLoadRun LoadWatched(std::atomic<bool>& flag, int stopAfter) {
    TLoadRun run;
    TPPMGraphic picture;
    picture.OnProgress = [&](TProgressStage stage, uint8_t, bool, const TRect&,
                             const std::string&) {
        if (stage == TProgressStage::psRunning && ++run.RowsReported == stopAfter)
            flag = true;
    };
    const std::string text = "P2\n3 5\n255\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
    TMemoryStream stream(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    try {
        picture.LoadFromStream(stream);
    } catch (const ELoadCancelled&) {
        run.Cancelled = true;
    }
    return run;
}

TEST(LoadCancellation, ALoadCalledOffStopsAtItsNextRow) {
    std::atomic<bool> flag{false};
    const TLoadCancellation cancellation(flag);
    const TLoadRun run = LoadWatched(flag, 2);
    EXPECT_TRUE(run.Cancelled);
    EXPECT_EQ(run.RowsReported, 2);
}

TEST(LoadCancellation, OnlyTheThreadsOwnLiveScopeStopsALoad) {
    std::atomic<bool> flag{false};
    // No scope: the flag means nothing to the load.
    TLoadRun run = LoadWatched(flag, 1);
    EXPECT_FALSE(run.Cancelled);
    EXPECT_EQ(run.RowsReported, 5);
    // A scope that has ended leaves the outer one (none) in force.
    std::atomic<bool> other{false};
    { const TLoadCancellation ended(other); }
    other = true;
    flag = false;
    run = LoadWatched(flag, 1);
    EXPECT_FALSE(run.Cancelled);
    // A scope on another flag: only that flag stops the load.
    const TLoadCancellation scope(flag);
    flag = false;
    run = LoadWatched(other, 1);
    EXPECT_FALSE(run.Cancelled);
    EXPECT_EQ(run.RowsReported, 5);
}
} // namespace
