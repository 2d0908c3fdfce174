// QXBinHexTortureTest.cpp — thousands of random operations on the control over sources at the page
// buffer's edges and beyond 4 GiB, with the position invariants checked after every step. A failure
// prints the seed and the step; VORNEX_TORTURE_SEED=<seed> replays that run alone.
#include "MessageBox.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include "QXBinHex_p.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>

namespace {

// The sizes around the page buffer's edges (one page of one-byte and of two-byte characters).
constexpr int64_t SmallSizes[] = {0, 1, 2, 3, 44999, 45000, 45001, 89999, 90000, 90001};
constexpr int64_t HugeFileSize = int64_t(5) << 30;

struct Source {
    QString fileName; // a file of the size, or empty for a stream
    int64_t size = 0;
    QByteArray data; // the bytes of a small source
};

class Torture {
public:
    Torture(uint64_t seed, const test::ScratchDir& dir) : rng_(seed) {
        for (int64_t size : SmallSizes) {
            Source s;
            s.size = size;
            s.data = test::Ramp(static_cast<int>(size));
            for (int64_t i = 0; i < size; i += 7)
                s.data[static_cast<qsizetype>(i)] =
                    static_cast<char>(i % 5 == 0 ? '\n' : 'a' + i % 26);
            s.fileName = dir.write(QStringLiteral("s%1.bin").arg(size), s.data);
            sources_.push_back(s);
        }
        // A sparse file far beyond 4 GiB: holes read as zeros, a few written bytes mark places.
        Source huge;
        huge.size = HugeFileSize;
        huge.fileName = dir.path(QStringLiteral("huge.bin"));
        QFile file(huge.fileName);
        if (file.open(QIODevice::WriteOnly) && file.resize(HugeFileSize)) {
            for (int64_t at : {int64_t(0), int64_t(1) << 32, HugeFileSize - 3}) {
                file.seek(at);
                file.write("end", 3);
            }
            file.close();
            sources_.push_back(huge);
        }
        viewer_.resize(400, 300);
        viewer_.show();
        // A search gives up after a few blocks, as a user cancelling it would: the huge file is
        // mostly holes.
        viewer_.setOnSearchProgress(
            [this](QObject*, int64_t, int64_t, bool& go) { go = ++searchBlocks_ < 40; });
    }

    // One random operation; returns its description.
    std::string Step() {
        std::ostringstream what;
        switch (Pick(16)) {
        case 0: {
            const Source& s = sources_[Pick(sources_.size())];
            what << "Open file of " << s.size;
            viewer_.Open(s.fileName, /*redraw=*/Pick(2) == 0);
            current_ = s.data;
            currentSize_ = s.size;
            break;
        }
        case 1: {
            const Source& s = sources_[Pick(SmallSizesCount)];
            what << "OpenStream of " << s.size;
            auto stream = std::make_unique<QBuffer>();
            stream->setData(s.data);
            stream->open(QIODevice::ReadOnly);
            viewer_.OpenStream(stream.get(), /*redraw=*/true);
            stream_ = std::move(stream); // the old stream is released after the switch
            current_ = s.data;
            currentSize_ = s.size;
            break;
        }
        case 2:
            what << "Open empty name";
            viewer_.Open(QString(), /*redraw=*/true);
            current_.clear();
            currentSize_ = 0;
            break;
        case 3: {
            const auto mode = static_cast<TQXBinHex::TQXBinHexMode>(Pick(5));
            what << "Mode " << mode;
            viewer_.setMode(mode);
            break;
        }
        case 4: {
            static const QSize fixed[] = {{0, 0}, {1, 1}, {2000, 40}, {30, 1200}};
            const QSize size =
                Pick(3) == 0 ? fixed[Pick(4)]
                             : QSize(static_cast<int>(Pick(900)), static_cast<int>(Pick(700)));
            what << "Resize " << size.width() << "x" << size.height();
            viewer_.resize(size);
            if (Pick(2) == 0)
                QApplication::processEvents();
            break;
        }
        case 5: {
            static const Qt::Key keys[] = {Qt::Key_Up,       Qt::Key_Down,   Qt::Key_PageUp,
                                           Qt::Key_PageDown, Qt::Key_Home,   Qt::Key_End,
                                           Qt::Key_Left,     Qt::Key_Right,  Qt::Key_A,
                                           Qt::Key_C,        Qt::Key_Insert, Qt::Key_Escape};
            static const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ShiftModifier,
                                                         Qt::ControlModifier,
                                                         Qt::ShiftModifier | Qt::ControlModifier};
            const Qt::Key key = keys[Pick(std::size(keys))];
            const Qt::KeyboardModifiers mod = mods[Pick(std::size(mods))];
            what << "Key " << key << " mods " << mod.toInt();
            QTest::keyClick(&viewer_, key, mod);
            break;
        }
        case 6: {
            const int delta = (static_cast<int>(Pick(7)) - 3) * 60;
            const Qt::KeyboardModifiers mod = Pick(4) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
            what << "Wheel " << delta << " mods " << mod.toInt();
            const QPointF at(10, 10);
            QWheelEvent event(at, viewer_.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                              Qt::NoButton, mod, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewer_.viewport(), &event);
            break;
        }
        case 7: {
            QScrollBar* bar =
                Pick(2) == 0 ? viewer_.verticalScrollBar() : viewer_.horizontalScrollBar();
            const int value = static_cast<int>(Pick(static_cast<uint64_t>(bar->maximum()) + 2));
            what << "Thumb " << (bar == viewer_.verticalScrollBar() ? "V " : "H ") << value;
            if (bar == viewer_.verticalScrollBar())
                viewer_.VScroll(TQXBinHex::SB_THUMBTRACK, value);
            else
                viewer_.HScroll(TQXBinHex::SB_THUMBTRACK, value);
            break;
        }
        case 8: {
            const int64_t pos = AnyOffset();
            what << "GoToPos " << pos;
            viewer_.GoToPos(pos);
            break;
        }
        case 9: {
            const int64_t start = AnyOffset();
            const int64_t length = Pick(3) == 0 ? AnyOffset() : static_cast<int64_t>(Pick(300));
            what << "SetSelection " << start << " " << length;
            viewer_.SetSelection(start, length, /*scroll=*/Pick(2) == 0, true, true);
            break;
        }
        case 10: {
            const QPoint from(static_cast<int>(Pick(400)), static_cast<int>(Pick(300)));
            const QPoint to(static_cast<int>(Pick(500)) - 50, static_cast<int>(Pick(400)) - 50);
            what << "Drag " << from.x() << "," << from.y() << " to " << to.x() << "," << to.y();
            QTest::mousePress(viewer_.viewport(), Qt::LeftButton, Qt::NoModifier, from);
            QTest::mouseMove(viewer_.viewport(), to);
            QTest::mouseRelease(viewer_.viewport(), Qt::LeftButton, Qt::NoModifier, to);
            break;
        }
        case 11:
            what << "SelectAll and copy";
            viewer_.SelectAll();
            // A whole huge source is copied up to the selection limit; a smaller one keeps the
            // run short.
            TQXBinHexPrivate::get(viewer_).SelTextLimitMb = 1;
            viewer_.CopyToClipboard(/*asHex=*/Pick(2) == 0);
            break;
        case 12: {
            const int encoding = static_cast<int>(Pick(140)) - 4;
            what << "TextEncoding " << encoding;
            viewer_.setTextEncoding(encoding);
            break;
        }
        case 13: {
            const bool larger = Pick(2) == 0;
            what << "Font size " << (larger ? "up" : "down");
            viewer_.FontSizeStep(larger);
            break;
        }
        case 14: {
            const QByteArray pattern = Pick(2) == 0 ? QByteArray("ab") : QByteArray("\n");
            what << "FindText " << pattern.toStdString();
            searchBlocks_ = 0;
            viewer_.FindText(QString::fromLatin1(pattern), 0, TQXSearchOptions());
            break;
        }
        default:
            what << "Redraw";
            viewer_.Redraw();
            break;
        }
        return what.str();
    }

    // The invariants every public operation keeps.
    void Check(const std::string& step) {
        const TQXBinHex& v = viewer_;
        if (!v.SourceAssigned() || v.IsFileEmpty()) {
            EXPECT_EQ(v.ViewPos(), 0) << step;
            return;
        }
        EXPECT_EQ(v.FileSize(), currentSize_) << step;
        EXPECT_LE(v.BufferPos(), v.ViewPos()) << step;
        EXPECT_LE(v.ViewPos(), v.BufferPos() + 2 * static_cast<int64_t>(v.BufMaxOffset())) << step;
        EXPECT_LE(v.ViewPos(), v.PosLast()) << step;
        EXPECT_GE(v.MarkStart(), 0) << step;
        EXPECT_GE(v.MarkLength(), 0) << step;
        EXPECT_LE(v.MarkStart() + v.MarkLength(), v.FileSize()) << step;
        if (v.CharSize() == 2) {
            EXPECT_EQ(v.ViewPos() % 2, 0) << step;
            EXPECT_EQ(v.BufferPos() % 2, 0) << step;
            EXPECT_EQ(v.MarkStart() % 2, 0) << step;
        }
        // A short selection reads back as the source's own bytes.
        if (!current_.isEmpty() && v.MarkLength() > 0 && v.MarkLength() <= 4096) {
            const QByteArray want = current_.mid(v.MarkStart(), v.MarkLength());
            EXPECT_EQ(viewer_.SelText(0), want) << step;
        }
    }

    static constexpr size_t SmallSizesCount = std::size(SmallSizes);

private:
    uint64_t Pick(uint64_t n) { return n == 0 ? 0 : rng_() % n; }
    int64_t AnyOffset() {
        switch (Pick(4)) {
        case 0:
            return static_cast<int64_t>(Pick(16)) - 4;
        case 1:
            return currentSize_ - static_cast<int64_t>(Pick(8)) + 4;
        case 2:
            return static_cast<int64_t>(Pick(static_cast<uint64_t>(currentSize_) + 1));
        default:
            return static_cast<int64_t>(rng_() >> 1);
        }
    }

    std::mt19937_64 rng_;
    std::vector<Source> sources_;
    TQXBinHex viewer_;
    std::unique_ptr<QBuffer> stream_;
    QByteArray current_;
    int64_t currentSize_ = 0;
    int searchBlocks_ = 0;
};

std::vector<uint64_t> Seeds() {
    const QByteArray fixed = qgetenv("VORNEX_TORTURE_SEED");
    if (!fixed.isEmpty())
        return {fixed.toULongLong()};
    return {1, 2, 3, 20261208};
}

} // namespace

TEST(ViewerTorture, RandomOperationsKeepThePositionInvariants) {
    constexpr int StepsPerSeed = 1500;
    // Read errors and refused files answer their boxes with Cancel or OK.
    test::MessageBoxRecorder boxes(platform::IDCANCEL);
    for (uint64_t seed : Seeds()) {
        test::ScratchDir dir;
        Torture torture(seed, dir);
        for (int step = 0; step < StepsPerSeed; ++step) {
            std::string what;
            try {
                what = torture.Step();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "seed " << seed << " step " << step << " threw: " << e.what();
            }
            torture.Check("seed " + std::to_string(seed) + " step " + std::to_string(step) + ": " +
                          what);
            if (::testing::Test::HasFailure()) {
                ADD_FAILURE() << "replay with VORNEX_TORTURE_SEED=" << seed;
                return;
            }
        }
    }
}
