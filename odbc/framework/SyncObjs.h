// Re-entrant critical section and its scope guard.
#pragma once

#include <vantrel/framework/SysUtils.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vantrel {

/// \brief A lock was released by a thread that does not hold it.
class ESyncError : public Exception {
public:
    using Exception::Exception;
};

/// \brief Mutual exclusion between threads; the holding thread may enter again (it must leave as
/// often as it entered).
class TCriticalSection {
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    ~TCriticalSection() = default;

    /// \brief Waits until no other thread holds the section, then holds it.
    void Enter();
    /// \brief Holds the section when that is possible without waiting.
    bool TryEnter();
    /// \brief Releases one Enter; throws ESyncError when the calling thread does not hold it.
    void Leave();
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    /// \brief True when the calling thread holds the section.
    bool HeldByCurrentThread() const;

private:
    mutable std::mutex FMutex;
    std::condition_variable FFree;
    std::thread::id FOwner;
    int FCount = 0;
};

/// \brief Holds a critical section for the lifetime of the guard.
class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;
    ~TCriticalSectionGuard() {
        try {
            FSection.Leave();
        } catch (...) {
        }
    }

private:
    TCriticalSection& FSection;
};

} // namespace vantrel
