// QXxClipboardTest.cpp — the clipboard holds the 8-bit text under its code page and the UTF-16
// text.
#include "QXxClipboard.h"
#include "Codepage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

const QMimeData* Content() {
    return QGuiApplication::clipboard()->mimeData();
}

QString EightBitType(int codepage) {
    return QStringLiteral("text/plain;charset=") +
           QString::fromLatin1(platform::CodepageCharsetName(codepage));
}

class QXxClipboard : public testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->setText(QStringLiteral("before")); }
};

} // namespace

TEST_F(QXxClipboard, AnsiBytesGoAsTheyAreWithTheirUnicodeForm) {
    const QByteArray bytes("Hi \xE9", 4);
    ASSERT_TRUE(PutClipboardTextInEncoding(bytes, EncodingANSI));
    EXPECT_EQ(Content()->data(EightBitType(platform::CP_ACP)), bytes);
    EXPECT_EQ(Content()->text(), CodepageToUnicode(bytes, EncodingANSI));
}

TEST_F(QXxClipboard, OemBytesGoUnderTheOemPage) {
    const QByteArray bytes("\x80\x81", 2);
    ASSERT_TRUE(PutClipboardTextInEncoding(bytes, EncodingOEM));
    EXPECT_EQ(Content()->data(EightBitType(platform::CP_OEMCP)), bytes);
    EXPECT_EQ(Content()->text(), CodepageToUnicode(bytes, EncodingOEM));
}

TEST_F(QXxClipboard, OtherPagesAreConvertedToAnsi) {
    // KOI8-R "Да" and an ASCII letter.
    const QByteArray bytes("\xE4\xC1z", 3);
    ASSERT_TRUE(PutClipboardTextInEncoding(bytes, 49));
    EXPECT_EQ(Content()->text(), QStringLiteral("Даz"));
    EXPECT_EQ(Content()->data(EightBitType(platform::CP_ACP)),
              platform::EncodeCodepage(platform::CP_ACP, u"Даz"));
}

TEST_F(QXxClipboard, EmptyTextLeavesTheClipboardAlone) {
    EXPECT_TRUE(PutClipboardTextInEncoding(QByteArray(), 45));
    EXPECT_TRUE(PutClipboardTextW(QString(), /*openIt=*/true));
    EXPECT_TRUE(PutClipboardText(QString()));
    EXPECT_EQ(Content()->text(), QStringLiteral("before"));
}

TEST_F(QXxClipboard, UnicodeTextAlone) {
    ASSERT_TRUE(PutClipboardText(QStringLiteral("Ж€")));
    EXPECT_EQ(Content()->text(), QStringLiteral("Ж€"));
    EXPECT_EQ(Content()->formats(), QStringList{QStringLiteral("text/plain")});
}

TEST_F(QXxClipboard, OlderSystemsPlaceOnlyAnsiText) {
    ASSERT_TRUE(PutClipboardTextThroughAnsi(QStringLiteral("Az")));
    EXPECT_EQ(Content()->formats(), QStringList{EightBitType(platform::CP_ACP)});
    EXPECT_EQ(Content()->data(EightBitType(platform::CP_ACP)), QByteArray("Az"));
}

TEST_F(QXxClipboard, TextJoinsAClipboardTheCallerOpened) {
    ASSERT_TRUE(OpenAndEmptyClipboard());
    EXPECT_FALSE(OpenAndEmptyClipboard());
    EXPECT_FALSE(PutClipboardTextW(QStringLiteral("x"), /*openIt=*/true));
    EXPECT_TRUE(PutClipboardTextW(QStringLiteral("joined"), /*openIt=*/false));
    CloseClipboard();
    EXPECT_EQ(Content()->text(), QStringLiteral("joined"));
}

TEST_F(QXxClipboard, NegativeEncodingFailsWithoutOpeningTheClipboard) {
    EXPECT_ANY_THROW(PutClipboardTextInEncoding("abc", EncodingUnicodeLE));
    EXPECT_TRUE(OpenAndEmptyClipboard());
    CloseClipboard();
}
