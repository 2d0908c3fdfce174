// QXxTimerTest.cpp — TOldTimer: when it owns a running timer, expiry, and requests from other
// threads.
#include "QXxTimer.h"
#include "TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

constexpr int WaitLimitMs = 10000;

} // namespace

TEST(TOldTimer, DefaultsAreEnabledAndOneSecondWithoutRunningTimer) {
    TOldTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.OnTimer());
    EXPECT_FALSE(timer.timerRunning());
}

TEST(TOldTimer, RunsOnlyWithIntervalHandlerAndEnabled) {
    TOldTimer timer;
    timer.setOnTimer([](QObject*) {});
    EXPECT_TRUE(timer.timerRunning());
    timer.setInterval(0);
    EXPECT_FALSE(timer.timerRunning());
    timer.setInterval(10);
    EXPECT_TRUE(timer.timerRunning());
    timer.setEnabled(false);
    EXPECT_FALSE(timer.timerRunning());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.timerRunning());
    timer.setOnTimer(nullptr);
    EXPECT_FALSE(timer.timerRunning());
}

TEST(TOldTimer, ExpiresRepeatedlyWithItselfAsSender) {
    TOldTimer timer;
    int calls = 0;
    QObject* sender = nullptr;
    timer.setInterval(5);
    timer.setOnTimer([&](QObject* s) {
        ++calls;
        sender = s;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls >= 3; }, WaitLimitMs));
    EXPECT_EQ(sender, &timer);
}

TEST(TOldTimer, HandlerMayReplaceItselfWhileRunning) {
    TOldTimer timer;
    int first = 0;
    int second = 0;
    auto owned = std::make_shared<int>(7);
    timer.setInterval(5);
    timer.setOnTimer([&, owned](QObject*) {
        timer.setOnTimer([&](QObject*) { ++second; });
        first += *owned; // the running handler's captures are still alive
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return second >= 1; }, WaitLimitMs));
    EXPECT_EQ(first, 7);
}

TEST(TOldTimer, SwitchedOnFromAnotherThreadExpiresOnItsOwnThread) {
    TOldTimer timer;
    timer.setEnabled(false);
    timer.setInterval(5);
    std::thread::id expiredOn;
    timer.setOnTimer([&](QObject*) {
        expiredOn = std::this_thread::get_id();
        timer.setEnabled(false);
    });
    std::thread worker([&timer] { timer.setEnabled(true); });
    worker.join();
    // The request waits for the timer's thread to take it.
    EXPECT_FALSE(timer.Enabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return expiredOn != std::thread::id(); }, WaitLimitMs));
    EXPECT_EQ(expiredOn, std::this_thread::get_id());
    EXPECT_FALSE(timer.timerRunning());
}

TEST(TOldTimer, LastRequestFromAnotherThreadWins) {
    TOldTimer timer;
    timer.setOnTimer([](QObject*) {});
    std::thread([&timer] {
        timer.setEnabled(false);
        timer.setEnabled(true);
        timer.setEnabled(false);
    }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !timer.Enabled(); }, WaitLimitMs));
    EXPECT_FALSE(timer.timerRunning());
    std::thread([&timer] {
        timer.setEnabled(false);
        timer.setEnabled(true);
    }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return timer.Enabled(); }, WaitLimitMs));
    EXPECT_TRUE(timer.timerRunning());
}

TEST(TOldTimer, RequestPendingAtDestructionIsDropped) {
    int calls = 0;
    auto timer = std::make_unique<TOldTimer>();
    timer->setEnabled(false);
    timer->setInterval(1);
    timer->setOnTimer([&](QObject*) { ++calls; });
    std::thread worker([t = timer.get()] { t->setEnabled(true); });
    worker.join();
    timer.reset();
    // The destroyed timer's request must not run; a live one shows that events were processed.
    TOldTimer witness;
    witness.setInterval(1);
    bool witnessed = false;
    witness.setOnTimer([&](QObject*) { witnessed = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return witnessed; }, WaitLimitMs));
    EXPECT_EQ(calls, 0);
}
