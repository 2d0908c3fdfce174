// FileIoTest.cpp — the file calls: replacing a file safely and the runtime codes of errors.
#include "FileIo.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>

TEST(FileIo, SavingThroughALinkUpdatesItsTarget) {
    test::ScratchDir dir;
    dir.write("real.bin", QByteArray("old"));
    ASSERT_TRUE(QFile::link(dir.path("real.bin"), dir.path("link.bin")));
    ASSERT_EQ(platform::WriteFileReplacing(dir.native("link.bin"), "new data", 8), 0);
    EXPECT_TRUE(QFileInfo(dir.path("link.bin")).isSymLink()) << "the link stays a link";
    EXPECT_EQ(test::ReadAll(dir.path("real.bin")), QByteArray("new data"));
}

TEST(FileIo, ReplacingKeepsNoTemporaryFiles) {
    test::ScratchDir dir;
    dir.write("a.bin", QByteArray(10, 'x'));
    ASSERT_EQ(platform::WriteFileReplacing(dir.native("a.bin"), "yy", 2), 0);
    EXPECT_EQ(test::ReadAll(dir.path("a.bin")), QByteArray("yy"));
    EXPECT_EQ(QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(platform::WriteFileReplacing(dir.native("missing/a.bin"), "yy", 2), ENOENT);
}

TEST(FileIo, ErrorsMapOntoRuntimeCodes) {
    test::ScratchDir dir;
    bool mapped = false;
    EXPECT_EQ(platform::RuntimeIoCode(ENOENT, dir.native("none.bin"), &mapped),
              platform::IoFileNotFound);
    EXPECT_TRUE(mapped);
    EXPECT_EQ(platform::RuntimeIoCode(ENOENT, dir.native("no/none.bin")),
              platform::IoInvalidFilename);
    EXPECT_EQ(platform::RuntimeIoCode(EMFILE, "x"), platform::IoTooManyOpenFiles);
    EXPECT_EQ(platform::RuntimeIoCode(EROFS, "x"), platform::IoAccessDenied);
    EXPECT_EQ(platform::RuntimeIoCode(EIO, "x", &mapped), EIO);
    EXPECT_FALSE(mapped);
}
