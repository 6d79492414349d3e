#pragma once

#include "platform/Exceptions.h"

#include <atomic>

// A load that another thread called off: whoever started it drops it without a word.
class ELoadCancelled : public Exception {
public:
    ELoadCancelled() : Exception("The picture load was called off") {}
};

// While one lives, the picture loads of this thread stop at their next progress report once
// the flag is set: readers report between rows and strips, so a load called off ends within a
// row by raising ELoadCancelled. A reader that reports nothing (the libraries') runs to its end.
class TLoadCancellation {
public:
    explicit TLoadCancellation(const std::atomic<bool>& cancelled);
    ~TLoadCancellation();
    TLoadCancellation(const TLoadCancellation&) = delete;
    TLoadCancellation& operator=(const TLoadCancellation&) = delete;

    // Raises ELoadCancelled when the load of this thread has been called off.
    static void Check();

private:
    const std::atomic<bool>* FOuter;
};
