#pragma once

#include "app/PictureLoad.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// One picture decoded ahead of a step. The worker decodes it unless the window's thread needs
// it first and takes the decode over; either way it is decoded once.
class TNeighbourJob {
public:
    TNeighbourJob(std::string path, std::string errorPicturePath);
    TNeighbourJob(const TNeighbourJob&) = delete;
    TNeighbourJob& operator=(const TNeighbourJob&) = delete;

    const std::string Path;

    // Any thread: the decode stops at its next row and its result is dropped.
    void Cancel() { FCancelled = true; }
    bool Cancelled() const { return FCancelled; }

    // Any thread: decodes unless a decode has begun; false when there was nothing to do.
    bool Run();
    // The result, decoded on this thread when no one has begun, else waited for. Nothing when
    // the decode was called off or failed beyond what the error picture covers.
    std::optional<TPictureLoad> Take();
    bool Finished() const;
    // True once a thread has waited in Take for a decode under way elsewhere.
    bool Awaited() const { return FAwaited; }

private:
    enum class TState { tsQueued, tsRunning, tsFinished };

    const TPictureLoadSetup Setup;
    std::atomic<bool> FCancelled{false};
    std::atomic<bool> FAwaited{false};
    mutable std::mutex Guard;
    std::condition_variable Ended;
    TState State = TState::tsQueued;
    std::optional<TPictureLoad> Result;
};

// Decodes neighbours one after another, in the order they were started, on a thread of its
// own. Jobs still queued when it is destroyed are left to whoever takes them.
class TNeighbourDecoder {
public:
    // Runs on the worker thread after each decode it made that was not called off.
    using TDecodedEvent = std::function<void(const std::shared_ptr<TNeighbourJob>& job)>;
    explicit TNeighbourDecoder(TDecodedEvent decoded);
    // Waits for the decode under way, if any.
    ~TNeighbourDecoder();
    TNeighbourDecoder(const TNeighbourDecoder&) = delete;
    TNeighbourDecoder& operator=(const TNeighbourDecoder&) = delete;

    void Start(std::shared_ptr<TNeighbourJob> job);

private:
    void Work();

    const TDecodedEvent Decoded;
    std::mutex Guard;
    std::condition_variable Wake;
    std::deque<std::shared_ptr<TNeighbourJob>> Queue;
    bool Stopping = false;
    std::thread Worker; // last: it starts once everything above exists
};
