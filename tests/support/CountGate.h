#pragma once
// Holds the lists' background counts at a gate until the test opens it, so that rows can change,
// and the user act, before a count runs.
#include "BackgroundCount.h"

#include <QCoreApplication>

#include <condition_variable>
#include <mutex>

namespace testsupport {

class CountGate {
public:
    CountGate()
    {
        // The standard lock and condition, which a thread checker can follow.
        kestrum::setBackgroundCountGate([this] {
            std::unique_lock hold(lock_);
            opened_.wait(hold, [this] { return !held_; });
        });
    }
    ~CountGate()
    {
        open();
        kestrum::setBackgroundCountGate({});
    }
    CountGate(const CountGate&) = delete;
    CountGate& operator=(const CountGate&) = delete;

    /// Lets the held counts run, waits for them (their connections stay kept) and hands their
    /// numbers to the lists.
    void open()
    {
        {
            std::lock_guard hold(lock_);
            held_ = false;
            opened_.notify_all();
        }
        kestrum::settleBackgroundCounts();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    /// Holds the next counts.
    void hold()
    {
        std::lock_guard hold(lock_);
        held_ = true;
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool held_ = true;
};

}  // namespace testsupport
