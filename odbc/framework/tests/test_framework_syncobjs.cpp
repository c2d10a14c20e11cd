#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/SyncObjs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace vantrel;

TEST(CriticalSection, ReentrantForTheHoldingThread) {
    TCriticalSection cs;
    cs.Enter();
    cs.Enter(); // must not deadlock
    EXPECT_TRUE(cs.TryEnter());
    EXPECT_TRUE(cs.HeldByCurrentThread());
    cs.Leave();
    cs.Leave();
    // Still held once: another thread cannot get it.
    bool otherGot = true;
    std::thread([&] { otherGot = cs.TryEnter(); }).join();
    EXPECT_FALSE(otherGot);
    cs.Leave();
    std::thread([&] {
        otherGot = cs.TryEnter();
        if (otherGot)
            cs.Leave();
    }).join();
    EXPECT_TRUE(otherGot);
    EXPECT_THROW(cs.Leave(), ESyncError); // not held at all
}

TEST(CriticalSection, LeaveFromAnotherThreadIsRefused) {
    TCriticalSection cs;
    cs.Enter();
    bool threw = false;
    std::thread([&] {
        try {
            cs.Leave();
        } catch (const ESyncError&) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
    cs.Leave();
}

TEST(CriticalSection, ExcludesTwoThreads) {
    TCriticalSection cs;
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    long counter = 0; // plain: only safe under the section
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            TCriticalSectionGuard outer(cs);
            TCriticalSectionGuard nested(cs);
            if (inside.fetch_add(1) != 0)
                overlap = true;
            ++counter;
            inside.fetch_sub(1);
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_FALSE(overlap);
    EXPECT_EQ(counter, 40000);
}

TEST(AppServices, ExceptionDisplayAndNestedBusyCursor) {
    std::vector<String> shown;
    auto old = Application().SetExceptionHandler([&](const std::exception& e) { shown.push_back(e.what()); });
    Application().HandleException(Exception("boom"));
    Application().HandleException(EAbort("quiet")); // silent
    Application().ShowException(EAbort("shown on request"));
    Application().SetExceptionHandler(old);
    EXPECT_EQ(shown, (std::vector<String>{"boom", "shown on request"}));

    std::vector<TCursor> cursors;
    auto oldCursor = Application().SetCursorHandler([&](TCursor c) { cursors.push_back(c); });
    {
        TBusyCursor outer;
        TBusyCursor inner;
        EXPECT_TRUE(Application().Busy());
    }
    Application().SetBusyCursor(false); // unbalanced extra call is ignored
    EXPECT_FALSE(Application().Busy());
    Application().SetCursorHandler(oldCursor);
    EXPECT_EQ(cursors, (std::vector<TCursor>{crSQLWait, crDefault}));
}
