#include "platform/PictureLimits.h"

#include "platform/StringFormat.h"

#include <algorithm>
#include <atomic>
#include <unistd.h>
#include <utility>

namespace {
// 256 megapixels: a 32-bit bitmap of that size is 1 GiB, which a desktop can still hold.
std::atomic<int64_t> PixelLimit{int64_t(1) << 28};

constexpr int64_t MiB = int64_t(1) << 20;
constexpr int64_t BudgetCeiling = int64_t(2048) * MiB;

std::atomic<int64_t> Budget{0}; // 0: the default

// The load of this thread; Id 0 when none runs.
struct TLoadAccount {
    uint64_t Id = 0;
    int Depth = 0;
    int64_t Used = 0;
    int64_t Peak = 0;
};
thread_local TLoadAccount CurrentLoad;
std::atomic<uint64_t> LastLoadId{0};

} // namespace

EPictureMemory EPictureMemory::OverBudget() {
    return EPictureMemory(
        Format("Picture too large: it needs more memory than the %d MiB allowed for one picture.",
               PictureMemoryBudget() / MiB));
}

int64_t PicturePixelLimit() {
    return PixelLimit.load(std::memory_order_relaxed);
}

void SetPicturePixelLimit(int64_t pixels) {
    PixelLimit.store(pixels > 0 ? pixels : 1, std::memory_order_relaxed);
}

bool MayAllocatePicture(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        return false;
    if (width > MaxPictureDimension || height > MaxPictureDimension)
        return false;
    return width * height <= PicturePixelLimit();
}

int64_t DefaultPictureMemoryBudget() {
    static const int64_t budget = [] {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGE_SIZE);
        if (pages <= 0 || pageSize <= 0)
            return BudgetCeiling;
        return std::min(BudgetCeiling, int64_t(pages) * pageSize / 2);
    }();
    return budget;
}

int64_t PictureMemoryBudget() {
    const int64_t set = Budget.load(std::memory_order_relaxed);
    return set > 0 ? set : DefaultPictureMemoryBudget();
}

void SetPictureMemoryBudget(int64_t bytes) {
    Budget.store(std::max<int64_t>(bytes, 0), std::memory_order_relaxed);
}

TPictureLoadScope::TPictureLoadScope() {
    if (CurrentLoad.Depth++ == 0)
        CurrentLoad = {++LastLoadId, 1, 0, 0};
}

TPictureLoadScope::~TPictureLoadScope() {
    if (--CurrentLoad.Depth == 0)
        CurrentLoad = {};
}

int64_t TPictureLoadScope::Available() {
    return std::max<int64_t>(PictureMemoryBudget() - CurrentLoad.Used, 0);
}

int64_t TPictureLoadScope::Peak() {
    return CurrentLoad.Peak;
}

TPictureCharge::TPictureCharge(int64_t bytes) {
    if (bytes < 0 || bytes > TPictureLoadScope::Available())
        throw EPictureMemory::OverBudget();
    FBytes = bytes;
    FLoad = CurrentLoad.Id;
    if (FLoad != 0) {
        CurrentLoad.Used += bytes;
        CurrentLoad.Peak = std::max(CurrentLoad.Peak, CurrentLoad.Used);
    }
}

TPictureCharge::TPictureCharge(TPictureCharge&& other) noexcept
    : FBytes(other.FBytes), FLoad(other.FLoad) {
    other.FBytes = 0;
    other.FLoad = 0;
}

TPictureCharge& TPictureCharge::operator=(TPictureCharge&& other) noexcept {
    if (this != &other) {
        Release();
        FBytes = other.FBytes;
        FLoad = other.FLoad;
        other.FBytes = 0;
        other.FLoad = 0;
    }
    return *this;
}

void TPictureCharge::Release() {
    // A buffer that outlives its load (the picture it returns) has nothing left to give back.
    if (FLoad != 0 && FLoad == CurrentLoad.Id)
        CurrentLoad.Used -= FBytes;
    FBytes = 0;
    FLoad = 0;
}

TPictureMemory::TPictureMemory(size_t bytes, TFill fill)
    : FCharge(int64_t(std::min<size_t>(bytes, INT64_MAX))) {
    FBlock = AllocatePixels(bytes, fill == TFill::Zeros);
    if (bytes != 0 && !FBlock.Data)
        throw EPictureMemory("Not enough memory for the picture.");
}

TPictureMemory::TPictureMemory(TPictureMemory&& other) noexcept
    : FCharge(std::move(other.FCharge)), FBlock(std::exchange(other.FBlock, {})) {}

TPictureMemory& TPictureMemory::operator=(TPictureMemory&& other) noexcept {
    if (this != &other) {
        Reset();
        FCharge = std::move(other.FCharge);
        FBlock = std::exchange(other.FBlock, {});
    }
    return *this;
}

void TPictureMemory::Reset() {
    FreePixels(std::exchange(FBlock, {}));
    FCharge.Release();
}
