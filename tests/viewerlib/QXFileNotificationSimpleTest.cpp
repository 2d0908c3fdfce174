// QXFileNotificationSimpleTest.cpp — the polling watcher.
#include "QXFileNotificationSimple.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

constexpr int WaitLimitMs = 10000;

void Append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(TQXFileNotificationSimple, StartsIdleWithOneSecondTimer) {
    TQXFileNotificationSimple watcher;
    EXPECT_FALSE(watcher.Timer->isActive());
    EXPECT_EQ(watcher.Timer->interval(), 1000);
    EXPECT_EQ(watcher.SimpleFileInfo(), TSimpleFileInfo{});
    EXPECT_FALSE(watcher.Busy());
}

TEST(TQXFileNotificationSimple, MissingFileRaisesAndLeavesTimerOff) {
    test::ScratchDir dir;
    TQXFileNotificationSimple watcher;
    watcher.Timer->start();
    try {
        watcher.SetFileName(dir.path("none.bin"));
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "File to watch doesn't exist");
    }
    EXPECT_FALSE(watcher.Timer->isActive());
    EXPECT_EQ(watcher.FileName(), dir.path("none.bin"));
}

TEST(TQXFileNotificationSimple, SetFileNameRestoresTimerAndReadsTheEntry) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", test::Ramp(300));
    TQXFileNotificationSimple watcher;
    watcher.Timer->start();
    watcher.SetFileName(path);
    EXPECT_TRUE(watcher.Timer->isActive());
    EXPECT_TRUE(watcher.SimpleFileInfo().Exists);
    EXPECT_EQ(watcher.SimpleFileInfo().SizeLow, 300u);
    EXPECT_NE(watcher.SimpleFileInfo().LastWriteTime, 0u);

    watcher.Timer->stop();
    watcher.SetFileName(QString());
    EXPECT_FALSE(watcher.Timer->isActive());
    EXPECT_EQ(watcher.SimpleFileInfo(), TSimpleFileInfo{});
}

TEST(TQXFileNotificationSimple, WatchTakesIntervalAndFileThenPollsAsAsked) {
    using TPolling = TQXFileNotificationSimple::TPolling;
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", test::Ramp(7));
    struct Row {
        TPolling after;
        bool running;
    };
    for (const Row& r : {Row{TPolling::Running, true}, Row{TPolling::Stopped, false}}) {
        TQXFileNotificationSimple watcher;
        watcher.Timer->start();
        watcher.Watch(path, 250, r.after);
        EXPECT_EQ(watcher.Timer->isActive(), r.running);
        EXPECT_EQ(watcher.Timer->interval(), 250);
        EXPECT_EQ(watcher.SimpleFileInfo().SizeLow, 7u);
        // A missing file raises with the timer left off, whatever was asked.
        EXPECT_THROW(watcher.Watch(dir.path("none.bin"), 100, TPolling::Running),
                     std::runtime_error);
        EXPECT_FALSE(watcher.Timer->isActive());
        watcher.Watch(path, 100, TPolling::Running);
        watcher.StopPolling();
        EXPECT_FALSE(watcher.Timer->isActive());
    }
}

TEST(TQXFileNotificationSimple, SimpleFileChangedSeesSizeAndDeletionOnce) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "abc");
    TQXFileNotificationSimple watcher;
    watcher.SetFileName(path);
    EXPECT_FALSE(watcher.SimpleFileChanged());
    Append(path, "d");
    EXPECT_TRUE(watcher.SimpleFileChanged());
    EXPECT_EQ(watcher.SimpleFileInfo().SizeLow, 4u);
    EXPECT_FALSE(watcher.SimpleFileChanged());
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(watcher.SimpleFileChanged());
    EXPECT_EQ(watcher.SimpleFileInfo(), TSimpleFileInfo{});
    EXPECT_FALSE(watcher.SimpleFileChanged());
}

TEST(TQXFileNotificationSimple, PollingRaisesOnChangedForWriteAndDeletion) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "abc");
    TQXFileNotificationSimple watcher;
    int changes = 0;
    watcher.OnChanged = [&](QObject* sender) {
        EXPECT_EQ(sender, &watcher);
        ++changes;
    };
    watcher.SetFileName(path);
    watcher.Timer->setInterval(10);
    watcher.Timer->start();
    Append(path, "more");
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, WaitLimitMs));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 2; }, WaitLimitMs));
    EXPECT_FALSE(watcher.SimpleFileInfo().Exists);
}

TEST(TQXFileNotificationSimple, ReenteredTimerTimerReturnsAtOnce) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "abc");
    TQXFileNotificationSimple watcher;
    watcher.SetFileName(path);
    int changes = 0;
    watcher.OnChanged = [&](QObject*) {
        ++changes;
        EXPECT_TRUE(watcher.Busy());
        if (changes == 1) {
            // A change the inner call would report if it did not return at once.
            Append(path, "e");
            watcher.TimerTimer(watcher.Timer);
            EXPECT_EQ(changes, 1);
        }
    };
    Append(path, "d");
    watcher.TimerTimer(watcher.Timer);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(watcher.Busy());
    // The change of the inner call is still there to be reported.
    watcher.TimerTimer(watcher.Timer);
    EXPECT_EQ(changes, 2);
}

TEST(TQXFileNotificationSimple, BusyIsClearedWhenTheHandlerThrows) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "abc");
    TQXFileNotificationSimple watcher;
    watcher.SetFileName(path);
    watcher.OnChanged = [](QObject*) { throw std::runtime_error("handler"); };
    Append(path, "d");
    EXPECT_THROW(watcher.TimerTimer(nullptr), std::runtime_error);
    EXPECT_FALSE(watcher.Busy());
}
