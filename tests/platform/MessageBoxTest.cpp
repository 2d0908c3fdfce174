// MessageBoxTest.cpp — the texts that reach the message box: long paths and lines elided.
#include "MessageBox.h"
#include "TestSupport.h"

#include <QRegularExpression>
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
