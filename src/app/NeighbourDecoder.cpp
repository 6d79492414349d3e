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
    : Path(std::move(path)), Setup{std::move(errorPicturePath), SteadyMilliseconds},
      Decode([this] { return Load(); }) {}

std::optional<TPictureLoad> TNeighbourJob::Load() {
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
    return result;
}

std::shared_ptr<TColorCount> ColorCountOf(std::shared_ptr<const TFastBMP> picture) {
    return std::make_shared<TColorCount>(
        [picture = std::move(picture)] { return picture->ColorCount(); });
}

TNeighbourDecoder::TNeighbourDecoder(TDecodedEvent decoded, TCountedEvent counted)
    : Decoded(std::move(decoded)), Counted(std::move(counted)), Worker([this] { Work(); }) {}

TNeighbourDecoder::~TNeighbourDecoder() {
    {
        const std::lock_guard lock(Guard);
        Stopping = true;
        Decodes.clear();
        Counts.clear();
    }
    Wake.notify_all();
    Worker.join();
}

void TNeighbourDecoder::Start(std::shared_ptr<TNeighbourJob> job) {
    Queue(Decodes, [this, job = std::move(job)] {
        if (job->Run() && !job->Cancelled())
            Decoded(job);
    });
}

void TNeighbourDecoder::Count(std::shared_ptr<TColorCount> count) {
    Queue(Counts, [this, count = std::move(count)] {
        if (count->Run())
            Counted(count);
    });
}

void TNeighbourDecoder::Queue(std::deque<std::function<void()>>& queue,
                              std::function<void()> task) {
    {
        const std::lock_guard lock(Guard);
        queue.push_back(std::move(task));
    }
    Wake.notify_all();
}

void TNeighbourDecoder::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(Guard);
            Wake.wait(lock, [this] { return Stopping || !Decodes.empty() || !Counts.empty(); });
            if (Stopping)
                return;
            std::deque<std::function<void()>>& queue = Decodes.empty() ? Counts : Decodes;
            task = std::move(queue.front());
            queue.pop_front();
        }
        task();
    }
}
