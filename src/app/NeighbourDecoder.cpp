#include "app/NeighbourDecoder.h"

#include "platform/LoadCancellation.h"

#include <chrono>
#include <utility>

namespace {
// Time of day would jump at midnight; a decode only needs a duration. Counted from the first
// reading, so that it fits 32 bits for weeks.
int32_t SteadyMilliseconds() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return int32_t(duration_cast<milliseconds>(steady_clock::now() - origin).count());
}
} // namespace

TNeighbourJob::TNeighbourJob(std::string path, std::string errorPicturePath)
    : Path(std::move(path)), Setup{std::move(errorPicturePath), SteadyMilliseconds} {}

bool TNeighbourJob::Run() {
    {
        const std::lock_guard lock(Guard);
        if (State != TState::tsQueued)
            return false;
        State = TState::tsRunning;
    }
    std::optional<TPictureLoad> result;
    if (!FCancelled) {
        try {
            const TLoadCancellation cancellation(FCancelled);
            result = LoadPictureFile(Path, Setup, true);
        } catch (...) {
            // Called off, or out of memory for the error picture: nothing to show.
        }
    }
    // Called off after its last row: dropped all the same.
    if (FCancelled)
        result.reset();
    {
        const std::lock_guard lock(Guard);
        Result = std::move(result);
        State = TState::tsFinished;
    }
    Ended.notify_all();
    return true;
}

std::optional<TPictureLoad> TNeighbourJob::Take() {
    Run();
    std::unique_lock lock(Guard);
    if (State != TState::tsFinished) {
        FAwaited = true;
        Ended.wait(lock, [this] { return State == TState::tsFinished; });
    }
    return std::exchange(Result, std::nullopt);
}

bool TNeighbourJob::Finished() const {
    const std::lock_guard lock(Guard);
    return State == TState::tsFinished;
}

TNeighbourDecoder::TNeighbourDecoder(TDecodedEvent decoded)
    : Decoded(std::move(decoded)), Worker([this] { Work(); }) {}

TNeighbourDecoder::~TNeighbourDecoder() {
    {
        const std::lock_guard lock(Guard);
        Stopping = true;
        Queue.clear();
    }
    Wake.notify_all();
    Worker.join();
}

void TNeighbourDecoder::Start(std::shared_ptr<TNeighbourJob> job) {
    {
        const std::lock_guard lock(Guard);
        Queue.push_back(std::move(job));
    }
    Wake.notify_all();
}

void TNeighbourDecoder::Work() {
    for (;;) {
        std::shared_ptr<TNeighbourJob> job;
        {
            std::unique_lock lock(Guard);
            Wake.wait(lock, [this] { return Stopping || !Queue.empty(); });
            if (Stopping)
                return;
            job = std::move(Queue.front());
            Queue.pop_front();
        }
        if (job->Run() && !job->Cancelled())
            Decoded(job);
    }
}
