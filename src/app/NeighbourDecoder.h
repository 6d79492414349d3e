#pragma once

#include "app/PictureLoad.h"
#include "app/SharedWork.h"

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
    bool Run() { return Decode.Run(); }
    // The result, decoded on this thread when no one has begun, else waited for. Nothing when
    // the decode was called off or failed beyond what the error picture covers.
    std::optional<TPictureLoad> Take() { return Decode.Take(); }
    bool Finished() const { return Decode.Finished(); }
    // True once a thread has waited in Take for a decode under way elsewhere.
    bool Awaited() const { return Decode.Awaited(); }

private:
    std::optional<TPictureLoad> Load();

    const TPictureLoadSetup Setup;
    std::atomic<bool> FCancelled{false};
    TSharedWork<std::optional<TPictureLoad>> Decode;
};

// The number of distinct colours of a shown or cached picture, counted apart from its load so
// that no picture waits for it on its way to the screen.
using TColorCount = TSharedWork<int32_t>;
std::shared_ptr<TColorCount> ColorCountOf(std::shared_ptr<const TFastBMP> picture);

// Decodes neighbours and counts colours one after another on a thread of its own: decodes in
// the order they were started, counts only while no decode waits, since a step may wait for a
// decode and nothing waits for a count. Jobs still queued when it is destroyed are left to
// whoever takes them.
class TNeighbourDecoder {
public:
    // Run on the worker thread after each decode it made that was not called off, and after
    // each count it made.
    using TDecodedEvent = std::function<void(const std::shared_ptr<TNeighbourJob>& job)>;
    using TCountedEvent = std::function<void(const std::shared_ptr<TColorCount>& count)>;
    TNeighbourDecoder(TDecodedEvent decoded, TCountedEvent counted);
    // Waits for the job under way, if any.
    ~TNeighbourDecoder();
    TNeighbourDecoder(const TNeighbourDecoder&) = delete;
    TNeighbourDecoder& operator=(const TNeighbourDecoder&) = delete;

    void Start(std::shared_ptr<TNeighbourJob> job);
    void Count(std::shared_ptr<TColorCount> count);

private:
    void Queue(std::deque<std::function<void()>>& queue, std::function<void()> task);
    void Work();

    const TDecodedEvent Decoded;
    const TCountedEvent Counted;
    std::mutex Guard;
    std::condition_variable Wake;
    std::deque<std::function<void()>> Decodes;
    std::deque<std::function<void()>> Counts;
    bool Stopping = false;
    std::thread Worker; // last: it starts once everything above exists
};
