// WorkingImageTest.cpp — reading, saving and showing the working image, and its file errors.
#include "WorkingImage.h"
#include "QXBinHex.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ImageBytes() {
    return QByteArray(reinterpret_cast<const char*>(ImageBuffer), ImageSize);
}

class WorkingImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(ImageBuffer, 0, sizeof ImageBuffer);
        ImageSize = 0;
        SourceFileName.clear();
    }

    // Reads a file into the image and expects success.
    void Load(const QByteArray& content) {
        SourceFileName = dir.native("image.bin");
        dir.write("image.bin", content);
        ReadImageFile();
    }

    std::string SaveErrorOf(const std::string& path) {
        try {
            SaveImageFile(path);
        } catch (const EInOutError& e) {
            return e.what();
        }
        return "no error";
    }

    std::string ReadErrorOf(const std::string& path) {
        SourceFileName = path;
        try {
            ReadImageFile();
        } catch (const EInOutError& e) {
            return e.what();
        }
        return "no error";
    }

    test::ScratchDir dir;
};

} // namespace

TEST_F(WorkingImageTest, ReadsWholeFile) {
    Load(test::Ramp(1000));
    EXPECT_EQ(ImageSize, 1000);
    EXPECT_EQ(ImageBytes(), test::Ramp(1000));
}

TEST_F(WorkingImageTest, MissingFileAndMissingFolderAreTold) {
    EXPECT_EQ(ReadErrorOf(dir.native("absent.bin")), "File not found");
    EXPECT_EQ(ReadErrorOf(dir.native("no-such-folder/absent.bin")), "Invalid filename");
    EXPECT_EQ(ReadErrorOf(""), "Invalid filename");
}

TEST_F(WorkingImageTest, FolderAndFifoAreRefusedWithoutBlocking) {
    QDir(dir.path({})).mkdir("sub");
    EXPECT_EQ(ReadErrorOf(dir.native("sub")), "File access denied");
    ASSERT_EQ(::mkfifo(dir.native("pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadErrorOf(dir.native("pipe")), "File access denied");
}

TEST_F(WorkingImageTest, FailedReadKeepsPreviousImage) {
    Load(test::Ramp(64));
    dir.write("big.bin", QByteArray(ImageCapacity + 1, 'x'));
    EXPECT_EQ(ReadErrorOf(dir.native("big.bin")), "File too large");
    EXPECT_EQ(SourceFileName, dir.native("big.bin"));
    EXPECT_EQ(ImageSize, 64);
    EXPECT_EQ(ImageBytes(), test::Ramp(64));
    EXPECT_EQ(ReadErrorOf(dir.native("gone.bin")), "File not found");
    EXPECT_EQ(ImageSize, 64);
}

TEST_F(WorkingImageTest, LargestImageFits) {
    Load(QByteArray(ImageCapacity, '\x5A'));
    EXPECT_EQ(ImageSize, ImageCapacity);
    EXPECT_EQ(ImageBuffer[ImageCapacity - 1], 0x5A);
}

TEST_F(WorkingImageTest, EmptyFileOpensAndSavesEmpty) {
    Load(QByteArray());
    EXPECT_EQ(ImageSize, 0);
    SaveImageFile(dir.native("out.bin"));
    EXPECT_TRUE(QFile::exists(dir.path("out.bin")));
    EXPECT_EQ(QFileInfo(dir.path("out.bin")).size(), 0);
}

TEST_F(WorkingImageTest, SaveWritesExactlyImageSizeOverAnOldFile) {
    dir.write("out.bin", QByteArray(5000, 'o'));
    Load(test::Ramp(300));
    SaveImageFile(dir.native("out.bin"));
    EXPECT_EQ(test::ReadAll(dir.path("out.bin")), test::Ramp(300));
}

TEST_F(WorkingImageTest, FailedSaveLeavesOldFileIntact) {
    const QByteArray old(100, 'o');
    dir.write("out.bin", old);
    Load(test::Ramp(4096));

    // A file size limit makes the write come up short, whatever the privileges of the test.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error = "no error";
    try {
        SaveImageFile(dir.native("out.bin"));
    } catch (const EInOutError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_NE(error, "no error");
    EXPECT_EQ(test::ReadAll(dir.path("out.bin")), old);
    EXPECT_EQ(QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden),
              QStringList({"image.bin", "out.bin"}));
}

TEST_F(WorkingImageTest, SaveOntoAFullFileSystemLeavesOldFileIntact) {
    test::SmallFileSystem small(64);
    if (!small.mounted())
        GTEST_SKIP() << small.reason()
                     << "; FailedSaveLeavesOldFileIntact covers a short write through a file size "
                        "limit instead";
    const QByteArray old(16 * 1024, 'o');
    small.dir().write("out.bin", old);
    Load(test::Ramp(200 * 1024));
    EXPECT_EQ(SaveErrorOf(small.dir().native("out.bin")), "Disk full");
    EXPECT_EQ(test::ReadAll(small.dir().path("out.bin")), old);
    EXPECT_EQ(QDir(small.dir().path({})).entryList(QDir::Files | QDir::Hidden),
              QStringList({"out.bin"}));
}

TEST_F(WorkingImageTest, SavingOverAReadOnlyFileIsDeniedAndKeepsIt) {
    dir.write("locked.bin", QByteArray("old"));
    ASSERT_EQ(::chmod(dir.native("locked.bin").c_str(), 0444), 0);
    Load(test::Ramp(32));
    EXPECT_EQ(SaveErrorOf(dir.native("locked.bin")), "File access denied");
    EXPECT_EQ(test::ReadAll(dir.path("locked.bin")), QByteArray("old"));
}

TEST_F(WorkingImageTest, LinkLoopIsToldWhenOpeningAndSaving) {
    ASSERT_EQ(::symlink("loop.bin", dir.native("loop.bin").c_str()), 0);
    EXPECT_EQ(ReadErrorOf(dir.native("loop.bin")), "Too many levels of symbolic links");
    EXPECT_EQ(SaveErrorOf(dir.native("loop.bin")), "Too many levels of symbolic links");
    EXPECT_TRUE(QFileInfo(dir.path("loop.bin")).isSymLink());
}

TEST_F(WorkingImageTest, SaveIntoMissingFolderFails) {
    EXPECT_THROW(SaveImageFile(dir.native("nowhere/out.bin")), EInOutError);
}

TEST_F(WorkingImageTest, MirrorRereadsTheFileAndInvertAccumulates) {
    Load(test::Ramp(8));
    TQXBinHex viewer;
    TResultView result;
    result.Viewer = &viewer;

    InvertData(result);
    ASSERT_NE(viewer.Stream(), nullptr);
    EXPECT_EQ(static_cast<QBuffer*>(viewer.Stream())->data(),
              QByteArray("\xFF\xFE\xFD\xFC\xFB\xFA\xF9\xF8", 8));

    MirrorAddresses(0, true, result);
    EXPECT_EQ(static_cast<QBuffer*>(viewer.Stream())->data(),
              QByteArray("\x07\x06\x05\x04\x03\x02\x01\x00", 8));
    EXPECT_EQ(viewer.FileSize(), 8);

    InvertData(result);
    InvertData(result);
    EXPECT_EQ(static_cast<QBuffer*>(viewer.Stream())->data(),
              QByteArray("\x07\x06\x05\x04\x03\x02\x01\x00", 8));
}

TEST_F(WorkingImageTest, ShowResultCopiesTheImage) {
    Load(test::Ramp(16));
    TQXBinHex viewer;
    TResultView result;
    result.Viewer = &viewer;
    ShowResult(result);
    QIODevice* first = viewer.Stream();
    ImageBuffer[0] = 0x77;
    EXPECT_EQ(static_cast<QBuffer*>(first)->data(), test::Ramp(16));
    ShowResult(result);
    EXPECT_EQ(static_cast<QBuffer*>(viewer.Stream())->data().at(0), '\x77');
}

TEST_F(WorkingImageTest, FailedMirrorKeepsTheResultViewer) {
    Load(test::Ramp(4));
    TQXBinHex viewer;
    TResultView result;
    result.Viewer = &viewer;
    ShowResult(result);
    QIODevice* shown = viewer.Stream();
    SourceFileName = dir.native("vanished.bin");
    EXPECT_THROW(MirrorAddresses(0, true, result), EInOutError);
    EXPECT_EQ(viewer.Stream(), shown);
    EXPECT_EQ(ImageBytes(), test::Ramp(4));
}

TEST(IoErrors, MessagesByCode) {
    EXPECT_EQ(EInOutError(100).what(), std::string("Read beyond end of file"));
    EXPECT_EQ(EInOutError(101).what(), std::string("Disk full"));
    EXPECT_EQ(EInOutError(4).what(), std::string("Too many open files"));
    EXPECT_EQ(EInOutError(106).what(), std::string("Invalid numeric input"));
    EXPECT_EQ(EInOutError(32).what(), std::string("I/O error 32"));
    // An unmapped errno that happens to equal a table code still reads as an I/O error.
    EXPECT_EQ(EInOutError::FromErrno(EIO, "/x").what(), std::string("I/O error 5"));
    EXPECT_EQ(EInOutError::FromErrno(EISDIR, "/x").what(), std::string("File access denied"));
}
