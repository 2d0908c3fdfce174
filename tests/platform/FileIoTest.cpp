// FileIoTest.cpp — the file calls: replacing a file safely, the runtime codes of errors and the
// handle that closes itself.
#include "FileIo.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

namespace {

QStringList EntriesOf(const test::ScratchDir& dir) {
    return QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

TEST(FileIo, FileWithoutWritePermissionIsRefusedAndKept) {
    // Root may write a 0444 file as far as the kernel goes; the save must refuse it all the same.
    const struct {
        const char* name;
        const char* saveAs;
    } cases[] = {
        {"directly", "locked.bin"},
        {"through a link", "link.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        dir.write("locked.bin", QByteArray("old"));
        ASSERT_EQ(::chmod(dir.native("locked.bin").c_str(), 0444), 0);
        ASSERT_TRUE(QFile::link("locked.bin", dir.path("link.bin")));
        EXPECT_EQ(platform::WriteFileReplacing(dir.native(c.saveAs), "new data", 8), EACCES);
        EXPECT_EQ(test::ReadAll(dir.path("locked.bin")), QByteArray("old"));
        struct stat st {};
        ASSERT_EQ(::stat(dir.native("locked.bin").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_EQ(EntriesOf(dir), QStringList({"link.bin", "locked.bin"}));
    }
}

TEST(FileIo, LinksAreFollowedAndNeverReplaced) {
    // Each case makes its links in a fresh folder (names relative to it), saves through "out.bin"
    // (or "sub/out.bin") and expects the file where the chain ends, or an error for a loop.
    const struct {
        const char* name;
        std::vector<std::pair<QString, QString>> links; // link name, what it points to
        QString saveAs;
        QString created; // empty: the save fails with ELOOP
    } cases[] = {
        {"dangling relative link", {{"out.bin", "made.bin"}}, "out.bin", "made.bin"},
        {"relative to the link's folder", {{"sub/out.bin", "../up.bin"}}, "sub/out.bin", "up.bin"},
        {"dangling absolute link", {{"out.bin", "@/abs.bin"}}, "out.bin", "abs.bin"},
        {"chain to a missing file",
         {{"out.bin", "second.bin"}, {"second.bin", "sub/end.bin"}},
         "out.bin",
         "sub/end.bin"},
        {"loop of two", {{"out.bin", "other.bin"}, {"other.bin", "out.bin"}}, "out.bin", {}},
        {"link to itself", {{"out.bin", "out.bin"}}, "out.bin", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        ASSERT_TRUE(QDir(dir.path({})).mkdir("sub"));
        for (const auto& [name, target] : c.links) {
            const QString pointsTo = target.startsWith('@') ? dir.path(target.mid(2)) : target;
            ASSERT_EQ(::symlink(QFile::encodeName(pointsTo).constData(), dir.native(name).c_str()),
                      0);
        }
        const int rc = platform::WriteFileReplacing(dir.native(c.saveAs), "new data", 8);
        if (c.created.isEmpty()) {
            EXPECT_EQ(rc, ELOOP);
        } else {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(test::ReadAll(dir.path(c.created)), QByteArray("new data"));
            EXPECT_EQ(test::ReadAll(dir.path(c.saveAs)), QByteArray("new data"));
        }
        for (const auto& [name, target] : c.links)
            EXPECT_TRUE(QFileInfo(dir.path(name)).isSymLink()) << name.toStdString();
        EXPECT_FALSE(QDir(dir.path({}))
                         .entryList(QDir::Hidden | QDir::Files)
                         .join(' ')
                         .contains(".vornex-save"));
        EXPECT_FALSE(QDir(dir.path("sub"))
                         .entryList(QDir::Hidden | QDir::Files)
                         .join(' ')
                         .contains(".vornex-save"));
    }
}

namespace {

// Whether fd names an open file of this process.
bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

} // namespace

TEST(UniqueFile, MovingHandsTheHandleOnAndTheLastOwnerClosesIt) {
    test::ScratchDir dir;
    dir.write("a.bin", "abc");
    const platform::FileHandle fd = platform::OpenFileForReading(dir.native("a.bin"));
    ASSERT_NE(fd, platform::InvalidFileHandle);
    {
        platform::UniqueFile first(fd);
        platform::UniqueFile second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(first.get(), platform::InvalidFileHandle);
        platform::UniqueFile third;
        third = std::move(second);
        EXPECT_FALSE(second);
        ASSERT_TRUE(third);
        EXPECT_EQ(third.get(), fd);
        // The moved-from owners went empty: their destruction must not close it.
        first = platform::UniqueFile();
        second.reset();
        EXPECT_TRUE(IsOpen(fd));
        char byte = 0;
        std::size_t got = 0;
        EXPECT_TRUE(platform::ReadFileAt(third.get(), &byte, 1, 2, &got));
        EXPECT_EQ(byte, 'c');
    }
    EXPECT_FALSE(IsOpen(fd));
}

TEST(UniqueFile, ResetClosesTheOldHandleAndReleaseKeepsItOpen) {
    test::ScratchDir dir;
    dir.write("a.bin", "abc");
    const platform::FileHandle a = platform::OpenFileForReading(dir.native("a.bin"));
    const platform::FileHandle b = platform::OpenFileForReading(dir.native("a.bin"));
    ASSERT_NE(a, platform::InvalidFileHandle);
    ASSERT_NE(b, platform::InvalidFileHandle);
    platform::UniqueFile file(a);
    file.reset(b);
    EXPECT_FALSE(IsOpen(a));
    EXPECT_TRUE(IsOpen(b));
    EXPECT_EQ(file.release(), b);
    EXPECT_FALSE(file);
    file.reset();
    EXPECT_TRUE(IsOpen(b)) << "a released handle is the caller's";
    EXPECT_EQ(platform::CloseFile(b), 0);
}
