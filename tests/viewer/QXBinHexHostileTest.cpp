// QXBinHexHostileTest.cpp — files that change or vanish while shown, devices, odd names and paths:
// the control refuses what it cannot show, shows what is there now, and never hangs or crashes.
#include "DrawFixture.h"
#include "MessageBox.h"
#include "TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString ClipboardText() {
    return QApplication::clipboard()->text();
}

} // namespace

TEST(ViewerHostile, FileCutShortWhileShownIsShownAsItNowIs) {
    struct Case {
        const char* name;
        int64_t cutTo;
    };
    for (const Case c : {Case{"cut to 1000 bytes", 1000}, Case{"cut to nothing", 0}}) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        const QByteArray data = test::Ramp(200000);
        const QString path = dir.write("rom.bin", data);
        DrawFixture f;
        ASSERT_TRUE(f.viewer.Open(path, /*redraw=*/true));
        f.viewer.SetSelection(150000, 100, /*scroll=*/false, false, true);
        ASSERT_TRUE(QFile::resize(path, c.cutTo));

        // A page past the new end: the read comes back short and the size is taken anew.
        QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(f.viewer.FileSize(), c.cutTo);
        EXPECT_LE(f.viewer.ViewPos(), f.viewer.PosLast());
        EXPECT_LE(f.viewer.MarkStart() + f.viewer.MarkLength(), c.cutTo) << "the selection is cut";
        if (c.cutTo > 0) {
            EXPECT_EQ(f.viewer.StrPositions().Entries[0].Pos, f.viewer.ViewPos());
        }

        // Select All takes the new length, and Copy puts exactly those bytes on the clipboard.
        QApplication::clipboard()->setText(QStringLiteral("before"));
        f.viewer.SelectAll();
        EXPECT_EQ(f.viewer.MarkLength(), c.cutTo);
        f.viewer.CopyToClipboard(/*asHex=*/true);
        if (c.cutTo > 0) {
            EXPECT_EQ(ClipboardText().size(), 3 * c.cutTo - 1);
        }
    }
}

TEST(ViewerHostile, CopyOfASelectionTheFileNoLongerHoldsSaysSo) {
    test::ScratchDir dir;
    const QString path = dir.write("rom.bin", test::Ramp(5000));
    DrawFixture f;
    ASSERT_TRUE(f.viewer.Open(path, /*redraw=*/true));
    f.viewer.SetSelection(4000, 500, /*scroll=*/false, false, true);
    int selectionChanges = 0;
    f.viewer.OnSelectionChange = [&](QObject*) { ++selectionChanges; };
    ASSERT_TRUE(QFile::resize(path, 100));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    test::MessageBoxRecorder boxes(platform::IDOK);
    f.viewer.CopyToClipboard(/*asHex=*/false);
    ASSERT_EQ(boxes.boxes.size(), 1u) << "a copy that reads nothing is not silent";
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Cannot read file: \"%1\"").arg(path));
    EXPECT_EQ(ClipboardText(), QStringLiteral("before"));
    EXPECT_EQ(f.viewer.FileSize(), 100);
    EXPECT_EQ(f.viewer.MarkLength(), 0);
    EXPECT_EQ(selectionChanges, 1);
}

TEST(ViewerHostile, DevicesFoldersAndOverlongPathsAreRefusedAtOnce) {
    test::ScratchDir dir;
    const QString overlong = dir.path(QString(4000, QLatin1Char('x')));
    for (const QString& path :
         {QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"), dir.path({}), overlong}) {
        TQXBinHex viewer;
        test::MessageBoxRecorder boxes(platform::IDOK);
        EXPECT_FALSE(viewer.Open(path, /*redraw=*/true)) << path.left(40).toStdString();
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_FALSE(viewer.SourceAssigned());
    }
}

TEST(ViewerHostile, OddNamesOpenAndShowTheirBytes) {
    test::ScratchDir dir;
    for (const QString& name :
         {QStringLiteral("with spaces .bin"), QStringLiteral("прошивка v2.bin"),
          QStringLiteral("new\nline.bin")}) {
        const QString path = dir.write(name, test::Ramp(300));
        DrawFixture f;
        EXPECT_TRUE(f.viewer.Open(path, /*redraw=*/true)) << name.toStdString();
        EXPECT_EQ(f.viewer.FileSize(), 300);
        f.viewer.SelectAll();
        EXPECT_EQ(f.viewer.SelText(0), test::Ramp(300));
    }
}

TEST(ViewerHostile, FileDeletedOrReplacedWhileShownKeepsTheOpenedBytes) {
    test::ScratchDir dir;
    const QString path = dir.write("rom.bin", test::Ramp(100000));
    DrawFixture f;
    ASSERT_TRUE(f.viewer.Open(path, /*redraw=*/true));
    ASSERT_TRUE(QFile::remove(path));
    dir.write("rom.bin", QByteArray(300000, 'z')); // a new, bigger file under the same name
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.FileSize(), 100000) << "the open file is the one shown";
    f.viewer.SetSelection(99990, 10, /*scroll=*/false, false, true);
    EXPECT_EQ(f.viewer.SelText(0), test::Ramp(100000).right(10));
}
