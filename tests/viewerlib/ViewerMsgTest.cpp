// ViewerMsgTest.cpp — message formatting, the viewer's message box and the file helpers.
#include "MessageBox.h"
#include "QXViewerMsg.h"
#include "QXxFProc.h"
#include "QXxSProc.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(FormatW, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatW(CannotReadFileText, {QStringLiteral("a.bin")}),
              QStringLiteral("Cannot read file: \"a.bin\""));
    EXPECT_EQ(FormatW(QStringLiteral("%s-%s"), {QStringLiteral("1")}), QStringLiteral("1-%s"));
    EXPECT_EQ(FormatW(QStringLiteral("%s"), {QStringLiteral("1"), QStringLiteral("2")}),
              QStringLiteral("1"));
    EXPECT_EQ(FormatW(QStringLiteral("%d %s"), {QStringLiteral("x")}), QStringLiteral("%d x"));
}

TEST(FormatW, ArgumentsAreNotScannedAgain) {
    EXPECT_EQ(FormatW(CannotOpenFileText, {QStringLiteral("odd%sname")}),
              QStringLiteral("Cannot open file: \"odd%sname\""));
    EXPECT_EQ(FormatW(QStringLiteral("%s and %s"), {QStringLiteral("%s"), QStringLiteral("b")}),
              QStringLiteral("%s and b"));
}

TEST(ViewerMsgBox, AddsModalityAndForegroundFlags) {
    test::MessageBoxRecorder boxes(platform::IDRETRY);
    EXPECT_EQ(ViewerMsgBox(QStringLiteral("t"), QStringLiteral("c"), 21), platform::IDRETRY);
    EXPECT_EQ(ViewerMsgError(QStringLiteral("e")), platform::IDRETRY);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].flags, 21u | 0x12000u);
    EXPECT_EQ(boxes.boxes[1].caption, QStringLiteral("Viewer"));
    EXPECT_EQ(boxes.boxes[1].flags, 0x10u | 0x12000u);
}

TEST(ViewerMsgBox, SilencedAnswersCancelWithoutShowing) {
    test::MessageBoxRecorder boxes(platform::IDOK);
    ViewerMessagesEnabled = false;
    const int answer = ViewerMsgBox(QStringLiteral("t"), CaptionText, 21);
    ViewerMessagesEnabled = true;
    EXPECT_EQ(answer, platform::IDCANCEL);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(FileHelpers, FoldersExistButDoNotOpen) {
    test::ScratchDir dir;
    bool isFolder = false;
    EXPECT_TRUE(FFileExists(dir.path({}), isFolder));
    EXPECT_TRUE(isFolder);
    EXPECT_FALSE(IsFileExist(dir.path({})));
    EXPECT_EQ(FFileOpen(dir.path({})), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FFileExists(dir.path("none"), isFolder));
    EXPECT_FALSE(isFolder);
}

TEST(FileHelpers, EmptyFileHasSizeZeroAndNonAsciiNamesWork) {
    test::ScratchDir dir;
    const QString path = dir.write(QStringLiteral("пустой файл.bin"), QByteArray());
    EXPECT_TRUE(IsFileExist(path));
    const TFileHandle h = FFileOpen(path);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FGetFileSize(h), 0);
    platform::CloseFile(h);
    EXPECT_EQ(FGetFileSize(INVALID_HANDLE_VALUE), -1);
}

TEST(FileHelpers, OpenFileMayBeWrittenRenamedAndDeletedMeanwhile) {
    test::ScratchDir dir;
    QFile writer(dir.path("w.bin"));
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
    writer.write("abc");
    writer.flush();
    const TFileHandle h = FFileOpen(writer.fileName());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    writer.write("def");
    writer.flush();
    EXPECT_EQ(FGetFileSize(h), 6);
    ASSERT_TRUE(QFile::rename(dir.path("w.bin"), dir.path("v.bin")));
    ASSERT_TRUE(QFile::remove(dir.path("v.bin")));
    char buf[6] = {};
    size_t got = 0;
    EXPECT_TRUE(platform::ReadFileAt(h, buf, 6, 0, &got));
    EXPECT_EQ(QByteArray(buf, int(got)), QByteArray("abcdef"));
    platform::CloseFile(h);
}

TEST(FileHelpers, FifoIsRefusedWithoutBlocking) {
    test::ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.native("p").c_str(), 0600), 0);
    EXPECT_EQ(FFileOpen(dir.path("p")), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsFileExist(dir.path("p")));
}
