// QXBinHexReloadTest.cpp — re-opening the shown file when it changes on disk, with the notification
// watcher and with the polling watcher.
#include "DrawFixture.h"
#include "Interaction.h"
#include "MessageBox.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace {

constexpr int ReloadTimeoutMs = 5000;

class ReloadTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        beeps = 0;
        platform::SetBeepHandler([this] { ++beeps; });
        f.viewer.OnFileReload = [this](QObject*) { ++reloads; };
        f.viewer.setAutoReloadSimple(GetParam());
        f.viewer.setAutoReloadSimpleTime(50);
        f.viewer.setAutoReload(true);
    }
    void TearDown() override { platform::SetBeepHandler(nullptr); }

    QString Write(const QByteArray& content) { return dir.write("watched.bin", content); }
    void Append(const QByteArray& more) {
        QFile file(dir.path("watched.bin"));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(more);
    }
    bool AwaitReloads(int n) {
        return QTest::qWaitFor([&] { return reloads >= n; }, ReloadTimeoutMs);
    }

    test::ScratchDir dir;
    DrawFixture f{TQXBinHex::vbmodeHex, QSize(300, 297)};
    int reloads = 0;
    int beeps = 0;
};

std::string WatcherName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Polling" : "Notification";
}

} // namespace

TEST_P(ReloadTest, GrowingFileFollowsItsEnd) {
    ASSERT_TRUE(f.viewer.Open(Write(QByteArray(100, 'a')), true));
    ASSERT_TRUE(f.viewer.ViewAtEnd());
    f.viewer.ScrollRight(40);
    Append(QByteArray(20000, 'b'));
    ASSERT_TRUE(AwaitReloads(1));
    EXPECT_EQ(f.viewer.FileSize(), 20100);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
    EXPECT_EQ(f.viewer.HViewPos(), 0);
}

TEST_P(ReloadTest, ChangeElsewhereKeepsPositionAndSelection) {
    QByteArray data(100000, 'a');
    ASSERT_TRUE(f.viewer.Open(Write(data), true));
    f.viewer.GoToPos(50000);
    f.viewer.ScrollRight(40);
    f.viewer.SetSelection(50010, 6, false, false, true);
    const int64_t top = f.viewer.ViewPos();
    const int hpos = f.viewer.HViewPos();
    ASSERT_GT(hpos, 0);
    Append(QByteArray("tail"));
    ASSERT_TRUE(AwaitReloads(1));
    EXPECT_EQ(f.viewer.FileSize(), 100004);
    EXPECT_EQ(f.viewer.ViewPos(), top);
    EXPECT_EQ(f.viewer.HViewPos(), hpos);
    EXPECT_EQ(f.viewer.MarkStart(), 50010);
    EXPECT_EQ(f.viewer.MarkLength(), 6);
}

TEST_P(ReloadTest, DeletedFileEmptiesTheControl) {
    ASSERT_TRUE(f.viewer.Open(Write(QByteArray(100, 'a')), true));
    f.viewer.setAutoReloadBeep(true);
    ASSERT_TRUE(QFile::remove(dir.path("watched.bin")));
    ASSERT_TRUE(AwaitReloads(1));
    EXPECT_TRUE(f.viewer.FileName().isEmpty());
    EXPECT_FALSE(f.viewer.SourceAssigned());
    EXPECT_EQ(beeps, 1);
}

TEST_P(ReloadTest, ReplacedByRenameIsReloadedEachTime) {
    ASSERT_TRUE(f.viewer.Open(Write(QByteArray("first")), true));
    for (int round = 1; round <= 3; ++round) {
        const QByteArray content =
            QByteArray("version ") + QByteArray::number(round) + QByteArray(round, '!');
        const QString temp = dir.write("watched.tmp", content);
        QFile::remove(dir.path("watched.bin"));
        ASSERT_TRUE(QFile::rename(temp, dir.path("watched.bin")));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return f.viewer.FileSize() == content.size(); }, ReloadTimeoutMs))
            << round;
        EXPECT_EQ(f.viewer.StrPositions().Entries[0].Str.left(9),
                  QString::fromLatin1(content.left(9)))
            << round;
    }
}

TEST_P(ReloadTest, EarlierFileIsWatchedBehindAStream) {
    const QString path = Write(QByteArray(100, 'a'));
    f.viewer.setAutoReload(false);
    ASSERT_TRUE(f.viewer.Open(path, true));
    f.Show(QByteArray(10, 's'));
    ASSERT_EQ(f.viewer.FileSourceType(), TQXBinHex::vfSrcStream);
    f.viewer.setAutoReload(true);
    Append(QByteArray(5, 'b'));
    ASSERT_TRUE(AwaitReloads(1));
    EXPECT_EQ(f.viewer.FileSourceType(), TQXBinHex::vfSrcFile);
    EXPECT_EQ(f.viewer.FileSize(), 105);
}

INSTANTIATE_TEST_SUITE_P(Watchers, ReloadTest, ::testing::Bool(), WatcherName);

TEST(ReloadRules, ChangeDuringAMouseSelectionIsIgnored) {
    test::ScratchDir dir;
    DrawFixture f;
    int reloads = 0;
    f.viewer.OnFileReload = [&](QObject*) { ++reloads; };
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", QByteArray(100, 'a')), true));
    QTest::mousePress(f.viewer.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 5));
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).Mouse.Selecting);
    dir.write("f.bin", QByteArray(200, 'b'));
    TQXBinHexPrivate::get(f.viewer).HandleFileChange(nullptr);
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(f.viewer.FileSize(), 100);
    QTest::mouseRelease(f.viewer.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 5));
    TQXBinHexPrivate::get(f.viewer).HandleFileChange(nullptr);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(f.viewer.FileSize(), 200);
}

TEST(ReloadRules, ChangeDuringARedrawIsOnlyReported) {
    test::ScratchDir dir;
    DrawFixture f(TQXBinHex::vbmodeText);
    int reloads = 0;
    f.viewer.OnFileReload = [&](QObject*) { ++reloads; };
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", QByteArray(100, 'a')), true));
    dir.write("f.bin", QByteArray(200, 'b'));
    // The change arrives while the page is being drawn.
    bool reported = false;
    f.viewer.OnDrawLine = [&](QObject*, QPainter*, const QString&, const QString&, const QRect&,
                              const QPoint&, bool&) {
        if (!std::exchange(reported, true))
            TQXBinHexPrivate::get(f.viewer).HandleFileChange(nullptr);
    };
    f.viewer.Redraw();
    ASSERT_TRUE(reported);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(f.viewer.FileSize(), 100);
}

TEST(ReloadRules, SwitchingOffStopsWatching) {
    test::ScratchDir dir;
    DrawFixture f;
    f.viewer.setAutoReload(true);
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", QByteArray(100, 'a')), true));
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).FileNotificationWatcher().Active());
    f.viewer.setAutoReload(false);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).FileNotificationWatcher().Active());
    f.viewer.setAutoReload(true);
    f.viewer.Open(QString(), true);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).FileNotificationWatcher().Active())
        << "a new source stops the watcher";
}

TEST(ReloadRules, LateReportOfAStoppedWatcherIsIgnored) {
    test::ScratchDir dir;
    DrawFixture f;
    int reloads = 0;
    f.viewer.OnFileReload = [&](QObject*) { ++reloads; };
    f.viewer.setAutoReload(true);
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", QByteArray(100, 'a')), true));
    f.Show(QByteArray(10, 's')); // a stream source stops the watcher
    ASSERT_FALSE(TQXBinHexPrivate::get(f.viewer).FileNotificationWatcher().Active());
    dir.write("f.bin", QByteArray(300, 'b'));
    TQXBinHexPrivate::get(f.viewer).FileNotificationWatcher().TimerTimer(nullptr);
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(f.viewer.FileSourceType(), TQXBinHex::vfSrcStream);
    EXPECT_EQ(f.viewer.FileSize(), 10);
}

// The retry question of a failed page read runs its own event loop. A change report arriving
// meanwhile must not replace the source under the read that asked: here the watched file behind a
// failing stream is deleted while the question is up, and the user answers Retry, then Cancel.
TEST(ReloadRules, ChangeWhileAReadAsksToRetryIsOnlyReported) {
    test::ScratchDir dir;
    DrawFixture f;
    int reloads = 0;
    f.viewer.OnFileReload = [&](QObject*) { ++reloads; };
    const QString path = dir.write("f.bin", QByteArray(100, 'a'));
    ASSERT_TRUE(f.viewer.Open(path, true));
    FailingDevice device(1000000);
    device.failing = false;
    ASSERT_TRUE(f.viewer.OpenStream(&device, true));
    f.viewer.setAutoReloadSimple(true);
    f.viewer.setAutoReloadSimpleTime(20);
    f.viewer.setAutoReload(true);

    int questions = 0;
    platform::SetMessageBoxHandler([&](const QString&, const QString&, uint32_t flags) {
        ++questions;
        if (questions == 1) {
            EXPECT_TRUE(QFile::remove(path));
            // What the box's event loop would deliver: the polling watcher's reports.
            EXPECT_TRUE(QTest::qWaitFor([&] { return reloads > 0; }, ReloadTimeoutMs));
        }
        EXPECT_EQ(flags & 0xF, platform::MB_RETRYCANCEL);
        return questions == 1 ? platform::IDRETRY : platform::IDCANCEL;
    });
    device.failing = true;
    EXPECT_NO_THROW(QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier));
    test::FailOnUnexpectedMessageBoxes();

    EXPECT_EQ(questions, 2);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(f.viewer.FileSourceType(), TQXBinHex::vfSrcStream);
    EXPECT_EQ(f.viewer.Stream(), &device);
    EXPECT_FALSE(f.viewer.BufferOK());
}
