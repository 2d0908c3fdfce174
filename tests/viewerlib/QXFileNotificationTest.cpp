// QXFileNotificationTest.cpp — the watcher of a folder or file: filters, folder of a file, the
// worker's life and the changes it reports.
#include "QXFileNotification.h"
#include "FileIo.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

constexpr int WaitLimitMs = 10000;
// How long nothing must happen after a change that is not to be reported (the 100 ms period and
// some slack).
constexpr int QuietMs = 400;

void Append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

int ThreadCount() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

// A watcher that counts its OnChanged calls and checks where they run. It compares sizes too, as
// the viewer does: a file replaced within one tick of the file system's clock keeps its last-write
// time.
struct CountingWatcher {
    TQXFileNotification watcher;
    int changes = 0;

    CountingWatcher() {
        watcher.setOptions({foNotifyFilename, foNotifySize, foNotifyLastWrite});
        watcher.OnChanged = [this](QObject* sender) {
            EXPECT_EQ(sender, &watcher);
            EXPECT_EQ(std::this_thread::get_id(), guiThread);
            ++changes;
        };
    }
    bool AwaitChanges(int n) {
        return QTest::qWaitFor([&] { return changes >= n; }, WaitLimitMs) && changes == n;
    }

    const std::thread::id guiThread = std::this_thread::get_id();
};

} // namespace

TEST(NotifyFilter, SumsTheMembersValues) {
    EXPECT_EQ(DefaultNotifyOptions.Byte(), 19);
    EXPECT_EQ(NotifyFilter(DefaultNotifyOptions), 0x13u);
    EXPECT_EQ(NotifyFilter({foNotifyFilename, foNotifySize, foNotifyLastWrite}), 0x19u);
    EXPECT_EQ(NotifyFilter({foNotifySecurity}), 0x100u);
    EXPECT_EQ(NotifyFilter({}), 0u);
    EXPECT_EQ(NotifyFilter(TQXFileNotifyOptions::FromByte(0xFF)), 0x17Fu);
}

TEST(NotifyFilter, FileModeDropsFolderNamesAndSecurity) {
    EXPECT_EQ(FileModeFilter(NotifyFilter(DefaultNotifyOptions)), 0x11u);
    EXPECT_EQ(FileModeFilter(0x17F), 0x7Du);
}

TEST(FolderOfFile, TakesEverythingBeforeTheLastSlash) {
    EXPECT_EQ(FolderOfFile("/dir/sub/a.bin"), "/dir/sub");
    EXPECT_EQ(FolderOfFile("/x.bin"), "/");
    EXPECT_EQ(FolderOfFile("a.bin"), "");
    EXPECT_EQ(FolderOfFile(""), "");
    EXPECT_EQ(FolderOfFile("dir/"), "dir");
}

TEST(TQXFileNotification, StartsIdleWithDefaults) {
    TQXFileNotification n;
    EXPECT_FALSE(n.Active());
    EXPECT_FALSE(n.Subtree());
    EXPECT_EQ(n.Options(), DefaultNotifyOptions);
    EXPECT_TRUE(n.Directory().isEmpty());
    EXPECT_TRUE(n.FileName().isEmpty());
}

TEST(TQXFileNotification, DirectoryAndFileNameExcludeEachOther) {
    TQXFileNotification n;
    n.setFileName("/tmp/a.bin");
    n.setDirectory("/tmp");
    EXPECT_EQ(n.Directory(), "/tmp");
    EXPECT_TRUE(n.FileName().isEmpty());
    n.setFileName("/tmp/a.bin");
    EXPECT_TRUE(n.Directory().isEmpty());
    // The current value again changes nothing, the other one stays empty.
    n.setFileName("/tmp/a.bin");
    EXPECT_EQ(n.FileName(), "/tmp/a.bin");
    n.setDirectory("");
    EXPECT_EQ(n.FileName(), "/tmp/a.bin");
}

TEST(WatchedFileChanged, ComparesWhatTheFilterNames) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "abc");
    WatchedFileInfo stored = GetWatchedFileInfo(path);
    ASSERT_TRUE(stored.Exists);
    EXPECT_FALSE(WatchedFileChanged(path, 0xFF, stored));

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_FALSE(WatchedFileChanged(path, 0x08 | 0x10, stored));
    EXPECT_TRUE(WatchedFileChanged(path, 0x04, stored));
    EXPECT_FALSE(WatchedFileChanged(path, 0x04, stored)); // stored took the new entry

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_TRUE(WatchedFileChanged(path, 0x04, stored));
    Append(path, "d");
    EXPECT_TRUE(WatchedFileChanged(path, 0x08, stored));
    EXPECT_EQ(stored.SizeLow, 4u);

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(WatchedFileChanged(path, 0, stored));
    EXPECT_EQ(stored, WatchedFileInfo{});
}

TEST(TQXFileNotification, TenQuickWritesRaiseOneOnChanged) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "");
    CountingWatcher w;
    w.watcher.setFileName(path);
    w.watcher.Start();
    ASSERT_TRUE(w.watcher.Active());

    // The worker's requests to switch the timer on are applied through this thread's event loop,
    // which runs only after the last write: the timer starts after all of them, however long they
    // take.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(f.write("0123456789", 10), 10);
        ASSERT_TRUE(f.flush());
    }
    f.close();

    EXPECT_TRUE(w.AwaitChanges(1));
    QTest::qWait(QuietMs);
    EXPECT_EQ(w.changes, 1);
}

TEST(TQXFileNotification, OtherFileOfTheFolderIsIgnoredInFileMode) {
    test::ScratchDir dir;
    const QString watched = dir.write("a.bin", "a");
    const QString other = dir.write("b.bin", "b");
    CountingWatcher w;
    w.watcher.setFileName(watched);
    w.watcher.Start();
    Append(other, "more");
    dir.write("c.bin", "new");
    QTest::qWait(QuietMs);
    EXPECT_EQ(w.changes, 0);
    // The watcher does see its own file.
    Append(watched, "more");
    EXPECT_TRUE(w.AwaitChanges(1));
}

TEST(TQXFileNotification, OtherFileOfTheFolderIsReportedInFolderMode) {
    test::ScratchDir dir;
    dir.write("a.bin", "a");
    const QString other = dir.write("b.bin", "b");
    CountingWatcher w;
    w.watcher.setDirectory(dir.path(""));
    w.watcher.Start();
    ASSERT_TRUE(w.watcher.Active());
    Append(other, "more");
    EXPECT_TRUE(w.AwaitChanges(1));
}

TEST(TQXFileNotification, SubtreeReportsChangesInSubFolders) {
    test::ScratchDir dir;
    ASSERT_TRUE(QDir(dir.path("")).mkdir("sub"));
    const QString inner = dir.write("sub/a.bin", "a");
    CountingWatcher flat;
    flat.watcher.setDirectory(dir.path(""));
    flat.watcher.Start();
    CountingWatcher tree;
    tree.watcher.setDirectory(dir.path(""));
    tree.watcher.setSubtree(true);
    tree.watcher.Start();
    Append(inner, "more");
    EXPECT_TRUE(tree.AwaitChanges(1));
    QTest::qWait(QuietMs);
    EXPECT_EQ(flat.changes, 0);
}

TEST(TQXFileNotification, DeletedFileIsReported) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "a");
    CountingWatcher w;
    w.watcher.setFileName(path);
    w.watcher.Start();
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(w.AwaitChanges(1));
}

TEST(TQXFileNotification, FileReplacedByRenameIsReportedEachTime) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "a");
    CountingWatcher w;
    w.watcher.setFileName(path);
    w.watcher.Start();
    for (int i = 1; i <= 3; ++i) {
        const QByteArray content = test::Ramp(10 * i);
        ASSERT_EQ(platform::WriteFileReplacing(dir.native("a.bin"), content.data(), content.size()),
                  0);
        EXPECT_TRUE(w.AwaitChanges(i)) << "replacement " << i;
    }
}

TEST(TQXFileNotification, StartOnMissingFolderShowsErrorAndStaysInactive) {
    test::ScratchDir dir;
    test::MessageBoxRecorder boxes;
    TQXFileNotification n;
    n.setDirectory(dir.path("none"));
    n.Start();
    EXPECT_FALSE(n.Active());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Exception while creating thread");
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].flags, 0x10u);
}

TEST(TQXFileNotification, StopThenStartAgainWatches) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "a");
    CountingWatcher w;
    w.watcher.setFileName(path);
    w.watcher.Start();
    Append(path, "b");
    ASSERT_TRUE(w.AwaitChanges(1));

    w.watcher.Stop();
    EXPECT_FALSE(w.watcher.Active());
    Append(path, "c");
    QTest::qWait(QuietMs);
    EXPECT_EQ(w.changes, 1);

    w.watcher.Start();
    EXPECT_TRUE(w.watcher.Active());
    Append(path, "d");
    EXPECT_TRUE(w.AwaitChanges(2));
}

TEST(TQXFileNotification, ActivePropertyStartsAndStops) {
    test::ScratchDir dir;
    TQXFileNotification n;
    n.setDirectory(dir.path(""));
    n.setActive(true);
    EXPECT_TRUE(n.Active());
    n.setActive(true);
    EXPECT_TRUE(n.Active());
    n.setActive(false);
    EXPECT_FALSE(n.Active());
}

TEST(TQXFileNotification, NoThreadIsLeftAfterDestruction) {
    test::ScratchDir dir;
    const int before = ThreadCount();
    auto n = std::make_unique<TQXFileNotification>();
    n->setDirectory(dir.path(""));
    n->Start();
    ASSERT_TRUE(n->Active());
    EXPECT_EQ(ThreadCount(), before + 1);
    n.reset();
    EXPECT_EQ(ThreadCount(), before);
}
