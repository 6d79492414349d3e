#include "platform/LoadCancellation.h"

namespace {
thread_local const std::atomic<bool>* CurrentFlag = nullptr;
} // namespace

TLoadCancellation::TLoadCancellation(const std::atomic<bool>& cancelled) : FOuter(CurrentFlag) {
    CurrentFlag = &cancelled;
}

TLoadCancellation::~TLoadCancellation() {
    CurrentFlag = FOuter;
}

void TLoadCancellation::Check() {
    if (CurrentFlag && CurrentFlag->load(std::memory_order_relaxed))
        throw ELoadCancelled();
}
