// QXBinHexCoreTest.cpp — the viewer's sources, page buffer and primitive reads.
#include "DrawFixture.h"
#include "MessageBox.h"
#include "QXBinHex_p.h"
#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sys/stat.h>

namespace {

QByteArray RandomBytes(int n, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray b(n, '\0');
    for (auto& c : b)
        c = static_cast<char>(rng());
    return b;
}

// The same checks run over a file source and a stream source.
struct FileSource {
    test::ScratchDir dir;
    bool Open(TQXBinHex& viewer, const QByteArray& data) {
        return viewer.Open(dir.write("src.bin", data), /*redraw=*/true);
    }
};

struct StreamSource {
    QBuffer buffer;
    bool Open(TQXBinHex& viewer, const QByteArray& data) {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        return viewer.OpenStream(&buffer, /*redraw=*/true);
    }
};

template <class Source> class SourceTest : public ::testing::Test {
protected:
    TQXBinHex viewer;
    Source source;
};

using SourceKinds = ::testing::Types<FileSource, StreamSource>;
TYPED_TEST_SUITE(SourceTest, SourceKinds);

} // namespace

TYPED_TEST(SourceTest, PageBufferMatchesTheWholeSource) {
    const QByteArray data = RandomBytes(400000, 3);
    this->viewer.setMode(TQXBinHex::vbmodeHex);
    ASSERT_TRUE(this->source.Open(this->viewer, data));
    EXPECT_EQ(this->viewer.FileSize(), data.size());
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        const int64_t pos = rng() % data.size();
        this->viewer.ReadBuffer(pos);
        ASSERT_TRUE(this->viewer.BufferOK());
        ASSERT_LE(this->viewer.BufferPos(), pos);
        ASSERT_LT(pos, this->viewer.BufferPos() + 2 * this->viewer.BufMaxOffset());
        const auto byte = static_cast<uint8_t>(data[pos]);
        ASSERT_EQ(this->viewer.GetHex(pos),
                  QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper());
        // The last page before the end is inside the buffer too.
        const int64_t pageEnd =
            std::min<int64_t>(pos + this->viewer.BufMaxOffset(), data.size()) - 1;
        ASSERT_EQ(this->viewer.GetHex(pageEnd).toInt(nullptr, 16),
                  static_cast<uint8_t>(data[pageEnd]));
    }
}

TYPED_TEST(SourceTest, WindowMovesOnlyPastTwoThirds) {
    this->viewer.setMode(TQXBinHex::vbmodeHex);
    ASSERT_TRUE(this->source.Open(this->viewer, RandomBytes(200000, 5)));
    EXPECT_EQ(this->viewer.BufferPos(), 0);
    EXPECT_EQ(TQXBinHexPrivate::get(this->viewer).Buffer.Size(), 135000);
    this->viewer.ReadBuffer(89999);
    EXPECT_EQ(this->viewer.BufferPos(), 0);
    this->viewer.ReadBuffer(90000);
    EXPECT_EQ(this->viewer.BufferPos(), 45000);
}

TYPED_TEST(SourceTest, EmptySourcesReadAsNothing) {
    ASSERT_TRUE(this->source.Open(this->viewer, QByteArray()));
    EXPECT_TRUE(this->viewer.IsFileEmpty());
    EXPECT_EQ(this->viewer.GetChar(0), 0);
    EXPECT_EQ(this->viewer.HexOffsetLen(), 0);
    EXPECT_TRUE(this->viewer.GetHex(1).isEmpty());
}

TYPED_TEST(SourceTest, ByteOrderMarkChoosesByteOrder) {
    this->viewer.setMode(TQXBinHex::vbmodeUnicode);
    ASSERT_TRUE(this->source.Open(this->viewer, QByteArray("\xFE\xFF\x00\x41", 4)));
    EXPECT_EQ(this->viewer.FileUnicodeFmt(), TQXBinHex::vfUnicodeBE);
    EXPECT_EQ(this->viewer.GetChar(2), u'A');
    EXPECT_EQ(this->viewer.GetHex(2), QStringLiteral("4100")) << "the byte at pos + 1 comes first";
}

TEST(ViewerByteOrder, LittleEndianMarkOrNoneReadLittleEndian) {
    for (const QByteArray& data :
         {QByteArray("\xFF\xFE\x41\x00", 4), QByteArray("\x41\x00\x42\x00", 4)}) {
        TQXBinHex viewer;
        viewer.setMode(TQXBinHex::vbmodeUnicode);
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        viewer.OpenStream(&buffer, false);
        EXPECT_EQ(viewer.FileUnicodeFmt(), TQXBinHex::vfUnicodeLE);
        EXPECT_EQ(viewer.GetChar(2), data[2] == 0x41 ? u'A' : u'B');
    }
}

TEST(ViewerChars, OneByteInUnicodeModeIsEmpty) {
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeUnicode);
    QBuffer buffer;
    buffer.setData("A", 1);
    buffer.open(QIODevice::ReadOnly);
    viewer.OpenStream(&buffer, false);
    EXPECT_TRUE(viewer.IsFileEmpty());
    EXPECT_EQ(viewer.GetChar(0), 0);
}

TEST(ViewerChars, NonPrintableCodesBecomeDots) {
    TQXBinHex viewer;
    QBuffer buffer;
    buffer.setData(QByteArray("\x09\x0A\x0D\x1E\x1F\x01\x41\x20", 8));
    buffer.open(QIODevice::ReadOnly);
    viewer.setMode(TQXBinHex::vbmodeText);
    viewer.OpenStream(&buffer, false);
    EXPECT_EQ(viewer.GetChar(0), 9);
    EXPECT_EQ(viewer.GetChar(1), 10);
    EXPECT_EQ(viewer.GetChar(2), 13);
    EXPECT_EQ(viewer.GetChar(3), u'.');
    EXPECT_EQ(viewer.GetChar(4), u'.');
    EXPECT_EQ(viewer.GetChar(5), u'.');
    EXPECT_EQ(viewer.GetChar(6), u'A');
    EXPECT_EQ(viewer.GetChar(7), u' ');
    EXPECT_EQ(viewer.GetChar(-1), u'.');
    EXPECT_EQ(viewer.GetChar(8), u'.');

    viewer.setMode(TQXBinHex::vbmodeHex);
    EXPECT_EQ(viewer.GetChar(0), u'.');
    EXPECT_EQ(viewer.GetChar(1), u'.');
    EXPECT_EQ(viewer.GetChar(6), u'A');
}

TEST(ViewerChars, ReadsOutsideTheBufferAreContractBreaches) {
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    SyntheticDevice device(1000000);
    viewer.OpenStream(&device, false);
    try {
        viewer.GetChar(500000);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Buffer position out of range: GetChar");
    }
    try {
        viewer.GetHex(500000);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Buffer position out of range: GetHex");
    }
    int got = 0;
    try {
        viewer.ReadSource(nullptr, 4, got, 0);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Buffer not allocated: ReadSource");
    }
    viewer.OpenStream(nullptr, false);
    uint8_t block[4] = {1, 2, 3, 4};
    try {
        viewer.ReadSource(block, 4, got, 0);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Source not assigned: ReadSource");
    }
    EXPECT_EQ(block[0], 0) << "the block is cleared first";
}

TEST(ViewerSource, OpenSameNameDoesNothingEmptyNameCloses) {
    test::ScratchDir dir;
    const QString path = dir.write("a.bin", test::Ramp(10));
    TQXBinHex viewer;
    ASSERT_TRUE(viewer.Open(path, true));
    dir.write("a.bin", test::Ramp(20));
    EXPECT_TRUE(viewer.Open(path, true));
    EXPECT_EQ(viewer.FileSize(), 10) << "the same name is not read again";
    EXPECT_TRUE(viewer.Open(QString(), true));
    EXPECT_FALSE(viewer.SourceAssigned());
    EXPECT_EQ(viewer.FileSourceType(), TQXBinHex::vfSrcNone);
}

TEST(ViewerSource, FileIsClosedWhenAStreamReplacesItAndWithTheViewer) {
    const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
    test::ScratchDir dir;
    QBuffer stream;
    stream.setData(test::Ramp(4));
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    auto viewer = std::make_unique<TQXBinHex>();
    ASSERT_TRUE(viewer->Open(dir.write("a.bin", test::Ramp(10)), true));
    const int first = TQXBinHexPrivate::get(*viewer).FileHandle.get();
    ASSERT_TRUE(isOpen(first));
    ASSERT_TRUE(viewer->OpenStream(&stream, true));
    EXPECT_FALSE(isOpen(first));
    ASSERT_TRUE(viewer->Open(dir.write("b.bin", test::Ramp(10)), true));
    const int second = TQXBinHexPrivate::get(*viewer).FileHandle.get();
    ASSERT_TRUE(isOpen(second));
    viewer.reset();
    EXPECT_FALSE(isOpen(second));
}

TEST(ViewerSource, FailedOpenIsToldAndRetriedLater) {
    test::ScratchDir dir;
    const QString path = dir.path("later.bin");
    TQXBinHex viewer;
    {
        test::MessageBoxRecorder boxes(platform::IDOK);
        EXPECT_FALSE(viewer.Open(path, true));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Cannot open file: \"%1\"").arg(path));
        EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Viewer"));
        EXPECT_EQ(boxes.boxes[0].flags, platform::MB_ICONERROR | 0x12000u);
    }
    EXPECT_FALSE(viewer.SourceAssigned());
    EXPECT_EQ(viewer.FileName(), path);
    dir.write("later.bin", test::Ramp(3));
    EXPECT_TRUE(viewer.Open(path, true));
    EXPECT_EQ(viewer.FileSize(), 3);
}

TEST(ViewerSource, FolderAndFifoAreNotOpened) {
    test::ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.native("pipe").c_str(), 0600), 0);
    TQXBinHex viewer;
    test::MessageBoxRecorder boxes(platform::IDOK);
    EXPECT_FALSE(viewer.Open(dir.path({}), true));
    EXPECT_FALSE(viewer.Open(dir.path("pipe"), true));
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_FALSE(viewer.SourceAssigned());
}

TEST(ViewerSource, StreamReferenceRules) {
    test::ScratchDir dir;
    QBuffer stream;
    stream.setData(test::Ramp(100));
    stream.open(QIODevice::ReadOnly);
    TQXBinHex viewer;
    ASSERT_TRUE(viewer.OpenStream(&stream, true));
    stream.buffer().append(test::Ramp(50));
    EXPECT_TRUE(viewer.OpenStream(&stream, true));
    EXPECT_EQ(viewer.FileSize(), 100) << "the same stream is not taken again";

    // A file source keeps the stream reference, so the same stream is still ignored.
    ASSERT_TRUE(viewer.Open(dir.write("f.bin", test::Ramp(7)), true));
    EXPECT_EQ(viewer.Stream(), &stream);
    EXPECT_TRUE(viewer.OpenStream(&stream, true));
    EXPECT_EQ(viewer.FileSourceType(), TQXBinHex::vfSrcFile);

    EXPECT_TRUE(viewer.OpenStream(nullptr, true));
    EXPECT_EQ(viewer.FileSourceType(), TQXBinHex::vfSrcNone);
    EXPECT_TRUE(viewer.OpenStream(&stream, true));
    EXPECT_EQ(viewer.FileSize(), 150);
}

TEST(ViewerSource, ModeChangeKeepsFilePositionButResetsStream) {
    test::ScratchDir dir;
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    ASSERT_TRUE(viewer.Open(dir.write("f.bin", RandomBytes(300000, 9)), true));
    viewer.ReadBuffer(200000);
    TQXBinHexPrivate::get(viewer).ViewPos = 200000;
    TQXBinHexPrivate::get(viewer).MarkStart = 1000;
    TQXBinHexPrivate::get(viewer).MarkLength = 24;
    viewer.setMode(TQXBinHex::vbmodeUHex);
    EXPECT_EQ(viewer.ViewPos(), 200000);
    EXPECT_EQ(viewer.MarkStart(), 1000);
    EXPECT_EQ(viewer.MarkLength(), 24);
    EXPECT_EQ(TQXBinHexPrivate::get(viewer).Buffer.Size(), 270000);
    EXPECT_EQ(viewer.BufferPos() % 2, 0);
    EXPECT_LE(viewer.BufferPos(), 200000);

    QBuffer stream;
    stream.setData(RandomBytes(300000, 10));
    stream.open(QIODevice::ReadOnly);
    viewer.OpenStream(&stream, true);
    viewer.ReadBuffer(200000);
    TQXBinHexPrivate::get(viewer).ViewPos = 200000;
    TQXBinHexPrivate::get(viewer).MarkStart = 10;
    TQXBinHexPrivate::get(viewer).MarkLength = 2;
    viewer.setMode(TQXBinHex::vbmodeHex);
    EXPECT_EQ(viewer.ViewPos(), 0);
    EXPECT_EQ(viewer.MarkLength(), 0);
    EXPECT_EQ(viewer.BufferPos(), 0);
}

TEST(ViewerSource, OffsetDigitsOfSparseFilesAroundFourGiB) {
    test::ScratchDir dir;
    TQXBinHex viewer;
    for (const auto& [size, digits] :
         {std::pair<qint64, int>{4294967295LL, 8}, {4294967296LL, 10}}) {
        QFile f(dir.path(QString::number(size)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(size));
        f.close();
        ASSERT_TRUE(viewer.Open(f.fileName(), true));
        EXPECT_EQ(viewer.FileSize(), size);
        EXPECT_EQ(viewer.HexOffsetLen(), digits);
    }
}

TEST(ViewerSource, SyntheticEightGiBStreamReadsAtTheEnd) {
    const int64_t size = int64_t(8) << 30;
    SyntheticDevice device(size);
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.OpenStream(&device, true);
    EXPECT_EQ(viewer.HexOffsetLen(), 10);
    EXPECT_EQ(viewer.PosLast(), size - 1);
    viewer.ReadBuffer(size - 1);
    EXPECT_EQ(viewer.BufferPos(), size - 1 - 45000);
    for (int64_t pos : {size - 1, size - 45000, size - 45001}) {
        EXPECT_EQ(viewer.GetHex(pos).toInt(nullptr, 16), SyntheticDevice::ByteAt(pos)) << pos;
    }
    viewer.setMode(TQXBinHex::vbmodeUHex);
    viewer.ReadBuffer(size - 2);
    EXPECT_EQ(viewer.BufferPos() % 2, 0);
    EXPECT_EQ(viewer.PosLast(), size - 2);
}

TEST(ViewerRetry, CancelLeavesZerosAndBufferNotOk) {
    FailingDevice device(1000);
    TQXBinHex viewer;
    test::MessageBoxRecorder boxes(platform::IDCANCEL);
    boxes.answers = {platform::IDRETRY};
    viewer.OpenStream(&device, false);
    ASSERT_EQ(boxes.boxes.size(), 2u) << "one retry, then cancel";
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Cannot read stream"));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Viewer"));
    EXPECT_EQ(boxes.boxes[0].flags, 21u | 0x12000u);
    EXPECT_FALSE(viewer.BufferOK());
    EXPECT_EQ(viewer.GetHex(0), QStringLiteral("00"));
}

TEST(ViewerRetry, RetrySucceedsOnceTheSourceRecovers) {
    FailingDevice device(1000);
    TQXBinHex viewer;
    test::MessageBoxRecorder boxes;
    int shown = 0;
    platform::SetMessageBoxHandler([&](const QString&, const QString&, uint32_t) {
        ++shown;
        device.failing = false;
        return platform::IDRETRY;
    });
    viewer.OpenStream(&device, false);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(viewer.BufferOK());
    EXPECT_EQ(viewer.GetHex(1).toInt(nullptr, 16), SyntheticDevice::ByteAt(1));
}

TEST(ViewerRetry, SilencedMessagesAbandonTheRead) {
    FailingDevice device(1000);
    TQXBinHex viewer;
    ViewerMessagesEnabled = false;
    viewer.OpenStream(&device, false);
    ViewerMessagesEnabled = true;
    EXPECT_FALSE(viewer.BufferOK());
}

TEST(ViewerProperties, DefaultsAndClamping) {
    TQXBinHex viewer;
    EXPECT_EQ(viewer.Mode(), TQXBinHex::vbmodeText);
    EXPECT_EQ(viewer.width(), 200);
    EXPECT_EQ(viewer.height(), 150);
    EXPECT_EQ(viewer.HexOffsetLen(), 8);
    viewer.setTextWidthHex(19);
    EXPECT_EQ(viewer.TextWidthHex(), 16);
    viewer.setTextWidthFitHex(true);
    viewer.setTextWidthHex(40);
    viewer.setTextWidthFitHex(false);
    EXPECT_EQ(viewer.TextWidthHex(), 16) << "switching the fit off restores 16";
    viewer.setTextTabSize(1);
    EXPECT_EQ(viewer.TextTabSize(), 2);
    viewer.setTextGutterLinesBufSize(5);
    EXPECT_EQ(viewer.TextGutterLinesBufSize(), 1024);
    viewer.setTextSearchIndentVert(81);
    EXPECT_EQ(viewer.TextSearchIndentVert(), 80);
    // Properties are reachable by name, as the stored layout sets them.
    EXPECT_TRUE(viewer.setProperty("TextWidthUHex", 9));
    EXPECT_EQ(viewer.TextWidthUHex(), 8);
    EXPECT_TRUE(viewer.setProperty("Mode", TQXBinHex::vbmodeBinary));
    EXPECT_EQ(viewer.Mode(), TQXBinHex::vbmodeBinary);
}

TEST(ViewerProperties, EncodingOutsideTheListKeepsThePreviousOne) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(QByteArray("text"));
    for (int valid : {-2, -1, 0, 131, 112}) {
        EXPECT_TRUE(f.viewer.setProperty("TextEncoding", valid));
        EXPECT_EQ(f.viewer.TextEncoding(), valid);
    }
    for (int invalid : {132, 500, -3}) {
        f.viewer.setProperty("TextEncoding", invalid);
        EXPECT_EQ(f.viewer.TextEncoding(), 112) << invalid;
        // A redraw converts with the encoding; an invalid one would throw here.
        EXPECT_NO_THROW(f.viewer.Redraw()) << invalid;
    }
}

TEST(ViewerProperties, LineSizeFollowsMode) {
    TQXBinHex viewer;
    EXPECT_EQ(viewer.LineSize(), 1);
    viewer.setMode(TQXBinHex::vbmodeBinary);
    EXPECT_EQ(viewer.LineSize(), 80);
    viewer.setMode(TQXBinHex::vbmodeHex);
    EXPECT_EQ(viewer.LineSize(), 16);
    viewer.setMode(TQXBinHex::vbmodeUHex);
    EXPECT_EQ(viewer.LineSize(), 16);
    viewer.setMode(TQXBinHex::vbmodeUnicode);
    EXPECT_EQ(viewer.LineSize(), 2);
}

TEST(ViewerPaint, EmptyPageIsTheBackgroundColour) {
    TQXBinHex viewer;
    viewer.resize(300, 200);
    viewer.setColor(0x00336699);
    viewer.show();
    viewer.Redraw();
    const QImage& page = viewer.PageImage();
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.size(), viewer.viewport()->size());
    EXPECT_EQ(page.pixelColor(0, 0), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(page.pixelColor(page.width() - 1, page.height() - 1), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(viewer.LinesNum(), std::min(150, (page.height() - 2) / 8));
}
