// MessageBoxTest.cpp — the texts that reach the message box: long paths and lines elided; the
// box's text copied with Ctrl+C.
#include "MessageBox.h"
#include "MessageBox_p.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString LongPath(int length, QChar filler) {
    QString path = QStringLiteral("/home");
    while (path.size() < length - 8)
        path += QStringLiteral("/") + QString(9, filler);
    return path.left(length - 8) + QStringLiteral("/rom.bin");
}

int LongestUnbrokenRun(const QString& text) {
    int longest = 0;
    for (const QString& run : text.split(QRegularExpression(QStringLiteral("\\s+"))))
        longest = std::max(longest, static_cast<int>(run.size()));
    return longest;
}

} // namespace

TEST(MessageBox, LongPathsAndLinesAreElidedInTheMiddle) {
    const QString unbroken = QStringLiteral("Cannot open file: \"") + LongPath(5000, 'd') + '"';
    const QString spaced = QStringLiteral("Cannot open file: \"") + LongPath(5000, ' ') + '"';
    const QString twoLines = QStringLiteral("First line\r") + LongPath(300, 'x');
    const struct {
        const char* name;
        QString text;
        QString start;
        QString end;
        int maxLength;
    } cases[] = {
        {"short text kept", QStringLiteral("File not found."), QStringLiteral("File not found."),
         QStringLiteral("File not found."), 15},
        {"path of 100 characters kept", LongPath(100, 'd'), LongPath(100, 'd'), LongPath(100, 'd'),
         100},
        {"unbroken path", unbroken, QStringLiteral("Cannot open file: \"/home/"),
         QStringLiteral("/rom.bin\""), 120},
        {"path with blanks", spaced, QStringLiteral("Cannot open file: \"/home/"),
         QStringLiteral("/rom.bin\""), 400},
        {"each line on its own", twoLines, QStringLiteral("First line\r/home/"),
         QStringLiteral("/rom.bin"), 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::MessageBoxRecorder boxes(platform::IDOK);
        EXPECT_EQ(platform::MessageBoxW(c.text, QStringLiteral("Viewer"), platform::MB_OK),
                  platform::IDOK);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const QString shown = boxes.boxes[0].text;
        EXPECT_TRUE(shown.startsWith(c.start)) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(c.end)) << shown.toStdString();
        EXPECT_LE(shown.size(), c.maxLength) << shown.toStdString();
        EXPECT_LE(LongestUnbrokenRun(shown), 100) << shown.toStdString();
        EXPECT_EQ(shown.contains(QChar(0x2026)), shown != c.text) << shown.toStdString();
    }
}

TEST(MessageBox, CtrlCCopiesCaptionTextAndButtons) {
    const QString text = QStringLiteral("File too large.");
    const QString caption = QStringLiteral("Vornex");
    const auto box = platform::detail::CreateMessageBox(
        text, caption, platform::MB_OKCANCEL | platform::MB_ICONERROR, nullptr);
    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(box.get(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QStringList buttons;
    for (QAbstractButton* button : box->buttons())
        buttons << button->text().remove(QLatin1Char('&'));
    ASSERT_EQ(lines.size(), 8) << QApplication::clipboard()->text().toStdString();
    EXPECT_EQ(lines[1], caption);
    EXPECT_EQ(lines[3], text);
    EXPECT_EQ(lines[5], buttons.join(QStringLiteral("   ")));
    EXPECT_EQ(buttons.size(), 2);
}
