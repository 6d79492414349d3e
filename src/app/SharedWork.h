#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>

// Work done once, by whichever thread comes to it first: the worker when its turn comes, or a
// thread that needs the result sooner and takes the work over. A thread that needs the result
// while another does the work waits for it.
template <typename TResult>
class TSharedWork {
public:
    // The work must not throw; what it holds is released once it has run.
    explicit TSharedWork(std::function<TResult()> work) : Work(std::move(work)) {}
    TSharedWork(const TSharedWork&) = delete;
    TSharedWork& operator=(const TSharedWork&) = delete;

    // Any thread: does the work unless it has begun; false when there was nothing to do.
    bool Run() {
        {
            const std::lock_guard lock(Guard);
            if (State != TState::tsQueued)
                return false;
            State = TState::tsRunning;
        }
        // Only the thread that began touches the work.
        TResult result = Work();
        Work = nullptr;
        {
            const std::lock_guard lock(Guard);
            Result = std::move(result);
            State = TState::tsFinished;
        }
        Ended.notify_all();
        return true;
    }

    // The result, worked out on this thread when nobody has begun, else waited for. It is
    // handed over: a second take gets an empty result.
    TResult Take() {
        Run();
        std::unique_lock lock(Guard);
        if (State != TState::tsFinished) {
            FAwaited = true;
            Ended.wait(lock, [this] { return State == TState::tsFinished; });
        }
        return std::exchange(Result, TResult{});
    }

    bool Finished() const {
        const std::lock_guard lock(Guard);
        return State == TState::tsFinished;
    }
    // True once a thread has waited in Take for work under way elsewhere.
    bool Awaited() const { return FAwaited; }

private:
    enum class TState { tsQueued, tsRunning, tsFinished };

    std::function<TResult()> Work;
    std::atomic<bool> FAwaited{false};
    mutable std::mutex Guard;
    std::condition_variable Ended;
    TState State = TState::tsQueued;
    TResult Result{};
};
