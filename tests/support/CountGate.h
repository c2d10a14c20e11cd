#pragma once
// Holds the lists' background counts at a gate until the test opens it, so that rows can change,
// and the user act, before a count runs.
#include "BackgroundCount.h"

#include <QCoreApplication>
#include <QMutex>
#include <QWaitCondition>

namespace testsupport {

class CountGate {
public:
    CountGate()
    {
        kestrum::setBackgroundCountGate([this] {
            QMutexLocker hold(&lock_);
            while (held_)
                opened_.wait(&lock_);
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
            QMutexLocker hold(&lock_);
            held_ = false;
            opened_.wakeAll();
        }
        kestrum::settleBackgroundCounts();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    /// Holds the next counts.
    void hold()
    {
        QMutexLocker hold(&lock_);
        held_ = true;
    }

private:
    QMutex lock_;
    QWaitCondition opened_;
    bool held_ = true;
};

}  // namespace testsupport
