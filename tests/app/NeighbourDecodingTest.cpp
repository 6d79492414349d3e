#include "BrowsingFixture.h"

#include <QDeadlineTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
// Holds every load off the window's thread at its start until opened, and counts the loads of
// each thread. A held load gives up after half a minute, which fails the test.
class TWorkerGate {
public:
    void Enter() {
        std::unique_lock lock(Guard);
        if (std::this_thread::get_id() == WindowThread) {
            ++WindowLoads;
            return;
        }
        ++WorkerLoads;
        Changed.notify_all();
        if (!Changed.wait_for(lock, std::chrono::seconds(30), [this] { return IsOpen; }))
            TimedOut = true;
    }
    void Open(bool open = true) {
        {
            const std::lock_guard lock(Guard);
            IsOpen = open;
        }
        Changed.notify_all();
    }
    // True once the worker has begun this many loads.
    bool AwaitWorkerLoads(int count) {
        std::unique_lock lock(Guard);
        return Changed.wait_for(lock, std::chrono::seconds(30),
                                [&] { return WorkerLoads >= count; });
    }
    int Loads(bool window) {
        const std::lock_guard lock(Guard);
        return window ? WindowLoads : WorkerLoads;
    }
    bool TimedOut = false;

private:
    const std::thread::id WindowThread = std::this_thread::get_id();
    std::mutex Guard;
    std::condition_variable Changed;
    bool IsOpen = false;
    int WindowLoads = 0;
    int WorkerLoads = 0;
};

class NeighbourDecoding : public BrowsingFixture {
protected:
    NeighbourDecoding() {
        TestPictureLoadHook = [this] { Gate.Enter(); };
    }
    ~NeighbourDecoding() override {
        Gate.Open();
        Window.reset(); // its worker ends before the hook goes
        TestPictureLoadHook = nullptr;
        EXPECT_FALSE(Gate.TimedOut);
    }

    // Started on the directory through its first activation, the gate still closed.
    TfrmMain& StartHeld(int count) {
        WriteNumbered(count);
        TfrmMain& window = *Start({Directory});
        window.ApplicationActivate();
        return window;
    }

    bool Logged(const std::string& name) const {
        const auto& log = Window->DebugLog;
        return std::find(log.begin(), log.end(), "===== " + name + " =====") != log.end();
    }

    TWorkerGate Gate;
};

TEST_F(NeighbourDecoding, TheWindowGoesOnWhileANeighbourDecodesAndItsBlockArrivesWhole) {
    TfrmMain& window = StartHeld(3);
    ASSERT_TRUE(Gate.AwaitWorkerLoads(1));
    // The first activation has returned with the neighbour's decode held in the worker.
    EXPECT_EQ(Shown(), 0);
    EXPECT_FALSE(window.NextBmp);
    EXPECT_FALSE(Logged(NameOf(1)));
    Gate.Open();
    SettleNeighbours();
    EXPECT_EQ(NumberOf(window.NextBmp), 1);
    const std::vector<std::string>& log = window.DebugLines();
    const std::vector<std::string> block(log.end() - 6, log.end());
    EXPECT_EQ(std::vector(block.begin(), block.end() - 1),
              (std::vector<std::string>{"", "===== 01.tbmp =====", "Dimensions: 4x3", "Colors: 1",
                                        "Size: 36 bytes (uncompressed)"}));
    EXPECT_EQ(block.back().rfind("Load: ", 0), 0u);
    EXPECT_EQ(Gate.Loads(true), 1); // the shown picture only
}

TEST_F(NeighbourDecoding, AStepToAPictureStillDecodingWaitsForThatDecodeAlone) {
    TfrmMain& window = StartHeld(3);
    ASSERT_TRUE(Gate.AwaitWorkerLoads(1));
    const std::shared_ptr<TNeighbourJob> job = window.NextJob;
    ASSERT_TRUE(job);
    // Opens the gate only once the window's thread waits for the decode under way.
    std::thread opener([&] {
        const QDeadlineTimer deadline(30000);
        while (!job->Awaited() && !deadline.hasExpired())
            std::this_thread::yield();
        Gate.Open();
    });
    const size_t lines = window.DebugLog.size();
    window.GoNext();
    opener.join();
    EXPECT_TRUE(job->Awaited());
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(NumberOf(window.CurrentBmp), 1);
    EXPECT_EQ(LoadsSince(lines), 1u); // its block, at once
    SettleNeighbours();
    EXPECT_EQ(NumberOf(window.NextBmp), 2);
    EXPECT_EQ(Gate.Loads(true), 1);  // the first picture, nothing more
    EXPECT_EQ(Gate.Loads(false), 2); // 01 once, then 02
}

TEST_F(NeighbourDecoding, AStepAwayCallsOffTheDecodeBehindAndTakesOverTheOneNotBegun) {
    TfrmMain& window = StartHeld(5);
    Gate.Open();
    SettleNeighbours();
    Gate.Open(false);
    window.GoToPicture(2);
    // The worker holds 01 at its start; 03 waits in its queue.
    ASSERT_TRUE(Gate.AwaitWorkerLoads(2));
    const std::shared_ptr<TNeighbourJob> behind = window.PrevJob;
    const std::shared_ptr<TNeighbourJob> ahead = window.NextJob;
    ASSERT_TRUE(behind && ahead);
    const size_t lines = window.DebugLog.size();
    window.GoNext();
    // 03 decoded on the window's thread, without waiting for the worker.
    EXPECT_EQ(Shown(), 3);
    EXPECT_FALSE(ahead->Awaited());
    EXPECT_EQ(Gate.Loads(true), 3); // 00, 02 and 03
    EXPECT_TRUE(behind->Cancelled());
    Gate.Open();
    // The cancelled decode ends without a result, and its block never reaches the log.
    EXPECT_FALSE(behind->Take());
    SettleNeighbours();
    EXPECT_EQ(NumberOf(window.PrevBmp), 2);
    EXPECT_EQ(NumberOf(window.NextBmp), 4);
    EXPECT_EQ(LoadsSince(lines), 2u); // 03 and 04, no 01
}

TEST_F(NeighbourDecoding, AShownPictureLeavesItsColourCountToTheWorkerOrToTheConsole) {
    TfrmMain& window = StartHeld(4);
    ASSERT_TRUE(Gate.AwaitWorkerLoads(1));
    // The worker is held in the decode of 01, so the count of 02 waits behind it.
    const size_t lines = window.DebugLog.size();
    window.GoToPicture(2);
    EXPECT_EQ(Shown(), 2);
    const size_t colors = lines + 3;
    ASSERT_EQ(window.DebugLog[colors - 2], "===== 02.tbmp =====");
    EXPECT_EQ(window.DebugLog[colors], "Colors: ");
    EXPECT_EQ(window.DebugLines()[colors], "Colors: 1");
    Gate.Open();
    SettleNeighbours();
    // The worker finds the count made and leaves the line alone; later counts arrive by
    // themselves.
    EXPECT_EQ(window.DebugLog[colors], "Colors: 1");
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return std::count(window.DebugLog.begin(), window.DebugLog.end(), "Colors: ") == 0;
    }));
}
TEST_F(NeighbourDecoding, ColourCountsWaitWhileADecodeIsQueued) {
    WriteNumbered(2);
    std::mutex guard;
    std::vector<std::string> done;
    const auto note = [&](const std::string& what) {
        const std::lock_guard lock(guard);
        done.push_back(what);
    };
    TNeighbourDecoder worker([&](const std::shared_ptr<TNeighbourJob>& job) { note(job->Path); },
                             [&](const std::shared_ptr<TColorCount>&) { note("count"); });
    const auto first = std::make_shared<TNeighbourJob>(PathOf(NameOf(0)), "");
    const auto second = std::make_shared<TNeighbourJob>(PathOf(NameOf(1)), "");
    worker.Start(first);
    ASSERT_TRUE(Gate.AwaitWorkerLoads(1));
    // Queued behind the held decode: the count first, then a decode that overtakes it.
    auto picture = std::make_shared<TFastBMP>();
    picture->SetSize(2, 2);
    worker.Count(ColorCountOf(picture));
    worker.Start(second);
    Gate.Open();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const std::lock_guard lock(guard);
        return done.size() == 3;
    }));
    EXPECT_EQ(done, (std::vector<std::string>{first->Path, second->Path, "count"}));
}
} // namespace
