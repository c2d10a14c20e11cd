#include <vantrel/framework/SyncObjs.h>

namespace vantrel {

void TCriticalSection::Enter() {
    std::unique_lock lock(FMutex);
    auto me = std::this_thread::get_id();
    if (FCount > 0 && FOwner == me) {
        ++FCount;
        return;
    }
    FFree.wait(lock, [this] { return FCount == 0; });
    FOwner = me;
    FCount = 1;
}

bool TCriticalSection::TryEnter() {
    std::lock_guard lock(FMutex);
    auto me = std::this_thread::get_id();
    if (FCount > 0 && FOwner != me)
        return false;
    FOwner = me;
    ++FCount;
    return true;
}

void TCriticalSection::Leave() {
    {
        std::lock_guard lock(FMutex);
        if (FCount == 0 || FOwner != std::this_thread::get_id())
            throw ESyncError("Critical section left by a thread that does not hold it");
        if (--FCount > 0)
            return;
        FOwner = std::thread::id();
    }
    FFree.notify_one();
}

bool TCriticalSection::HeldByCurrentThread() const {
    std::lock_guard lock(FMutex);
    return FCount > 0 && FOwner == std::this_thread::get_id();
}

} // namespace vantrel
