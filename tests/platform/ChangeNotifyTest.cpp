// ChangeNotifyTest.cpp — folder change notifications, the stop event and directory entries.
#include "ChangeNotify.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <thread>

using platform::ChangeNotification;
using platform::StopEvent;
using Result = platform::ChangeNotification::WaitResult;

namespace {

// Events are queued by the call that causes them, so a reported change is there at once; the limit
// only keeps a broken build from hanging.
constexpr int ChangeLimitMs = 10000;
// How long a wait shows that nothing was reported.
constexpr int QuietMs = 150;

void Append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(WatchedFileInfo, MissingFileIsAllZero) {
    test::ScratchDir dir;
    EXPECT_EQ(platform::GetWatchedFileInfo(dir.native("none")), platform::WatchedFileInfo{});
    EXPECT_EQ(platform::GetWatchedFileInfo(""), platform::WatchedFileInfo{});
}

TEST(WatchedFileInfo, SplitsTheSizeAndKeepsModeAndTimes) {
    test::ScratchDir dir;
    const QString path = dir.write("big.bin", "x");
    QFile f(path);
    ASSERT_TRUE(f.resize((int64_t{5} << 30) + 7)); // sparse
    ASSERT_TRUE(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const auto info = platform::GetWatchedFileInfo(dir.native("big.bin"));
    EXPECT_TRUE(info.Exists);
    EXPECT_EQ(info.SizeHigh, 1u);
    EXPECT_EQ(info.SizeLow, 0x40000007u);
    EXPECT_EQ(info.Attributes & 07777u, 0600u);
    EXPECT_EQ(info.Attributes & 0170000u, 0100000u); // a regular file
    const QFileInfo qt(path);
    EXPECT_EQ(int64_t(info.LastWriteTime / 1000000), qt.lastModified().toMSecsSinceEpoch());
    EXPECT_EQ(int64_t(info.LastAccessTime / 1000000), qt.lastRead().toMSecsSinceEpoch());
    EXPECT_NE(info.CreationTime, 0u);

    const auto folder = platform::GetWatchedFileInfo(dir.native(""));
    EXPECT_TRUE(folder.Exists);
    EXPECT_EQ(folder.Attributes & 0170000u, 0040000u);
}

TEST(ChangeNotification, RefusesMissingFolderFileAndEmptyFilter) {
    test::ScratchDir dir;
    dir.write("a.bin", "a");
    EXPECT_TRUE(ChangeNotification(dir.native(""), false, 0x13).IsValid());
    EXPECT_FALSE(ChangeNotification(dir.native("none"), false, 0x13).IsValid());
    EXPECT_FALSE(ChangeNotification(dir.native("a.bin"), false, 0x13).IsValid());
    EXPECT_FALSE(ChangeNotification(dir.native(""), false, 0).IsValid());
    EXPECT_FALSE(ChangeNotification("", false, 0x13).IsValid());
}

TEST(ChangeNotification, StopEventWakesOnceFromAnotherThread) {
    test::ScratchDir dir;
    StopEvent stop;
    ASSERT_TRUE(stop.IsValid());
    ChangeNotification n(dir.native(""), false, 0x13);
    ASSERT_TRUE(n.IsValid());
    std::thread signaller([&stop] { stop.Signal(); });
    EXPECT_EQ(n.Wait(stop, ChangeLimitMs), Result::Stopped);
    signaller.join();
    // Auto-reset: the signal was consumed.
    EXPECT_EQ(n.Wait(stop, QuietMs), Result::TimedOut);
    EXPECT_TRUE(n.Rearm());
}

TEST(ChangeNotification, StopTakesPrecedenceOverChanges) {
    test::ScratchDir dir;
    StopEvent stop;
    ChangeNotification n(dir.native(""), false, 0x13);
    dir.write("a.bin", "a");
    stop.Signal();
    EXPECT_EQ(n.Wait(stop, ChangeLimitMs), Result::Stopped);
    EXPECT_EQ(n.Wait(stop, ChangeLimitMs), Result::Changed);
}

TEST(ChangeNotification, ReportsOnlyTheKindsOfTheFilter) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", "a");
    StopEvent stop;
    ChangeNotification attributes(dir.native(""), false, platform::NotifyChangeAttributes);
    ChangeNotification lastWrite(dir.native(""), false, platform::NotifyChangeLastWrite);

    Append(path, "b");
    EXPECT_EQ(attributes.Wait(stop, QuietMs), Result::TimedOut);
    EXPECT_EQ(lastWrite.Wait(stop, ChangeLimitMs), Result::Changed);

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_EQ(attributes.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_EQ(lastWrite.Wait(stop, QuietMs), Result::TimedOut);
}

TEST(ChangeNotification, FileNamesAndFolderNamesAreSeparate) {
    test::ScratchDir dir;
    StopEvent stop;
    ChangeNotification files(dir.native(""), false, platform::NotifyChangeFileName);
    ChangeNotification folders(dir.native(""), false, platform::NotifyChangeDirName);

    ASSERT_TRUE(QDir(dir.path("")).mkdir("sub"));
    EXPECT_EQ(files.Wait(stop, QuietMs), Result::TimedOut);
    EXPECT_EQ(folders.Wait(stop, ChangeLimitMs), Result::Changed);

    ASSERT_TRUE(QFile::rename(dir.write("a.bin", ""), dir.path("b.bin")));
    EXPECT_EQ(files.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_EQ(folders.Wait(stop, QuietMs), Result::TimedOut);
}

TEST(ChangeNotification, SubtreeCoversExistingAndNewFolders) {
    test::ScratchDir dir;
    ASSERT_TRUE(QDir(dir.path("")).mkpath("old/deeper"));
    StopEvent stop;
    ChangeNotification tree(dir.native(""), true, platform::NotifyChangeLastWrite);
    ChangeNotification flat(dir.native(""), false, platform::NotifyChangeLastWrite);

    dir.write("old/deeper/a.bin", "a");
    EXPECT_EQ(tree.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_EQ(flat.Wait(stop, QuietMs), Result::TimedOut);

    // Creating a folder is no change of this filter, but the wait starts watching it.
    ASSERT_TRUE(QDir(dir.path("")).mkdir("new"));
    EXPECT_EQ(tree.Wait(stop, QuietMs), Result::TimedOut);
    dir.write("new/b.bin", "b");
    EXPECT_EQ(tree.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_EQ(flat.Wait(stop, QuietMs), Result::TimedOut);
}

TEST(ChangeNotification, RearmFailsOnceTheFolderIsGone) {
    test::ScratchDir dir;
    ASSERT_TRUE(QDir(dir.path("")).mkdir("sub"));
    StopEvent stop;
    ChangeNotification n(dir.native("sub"), false, 0x13);
    dir.write("sub/a.bin", "a");
    EXPECT_EQ(n.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_TRUE(n.Rearm());
    ASSERT_TRUE(QDir(dir.path("sub")).removeRecursively());
    EXPECT_EQ(n.Wait(stop, ChangeLimitMs), Result::Changed);
    EXPECT_FALSE(n.Rearm());
}
