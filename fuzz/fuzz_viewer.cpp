// fuzz_viewer.cpp — the viewer control offscreen, driven by a sequence of operations on a memory
// stream of a few bytes or of about one, two or three page buffers.
//
// After every operation the position invariants must hold (BufferPos <= ViewPos <= BufferPos +
// 2 x BufMaxOffset, ViewPos <= PosLast, even offsets in the two-byte modes), the selection must lie
// within the data, and the selected text must be the stream's own bytes. Any exception that leaves
// the control (the drawing's own invariant check among them) ends the run as a crash.
#include "FuzzCheck.h"
#include "Interaction.h"
#include "MessageBox.h"
#include "QXBinHex.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <memory>
#include <vector>

namespace {

// The provider of the running input; the menu handler takes its choices from it.
FuzzedDataProvider* currentInput = nullptr;

void CollectActions(QMenu* menu, std::vector<QAction*>& out) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible() || !action->isEnabled())
            continue;
        if (action->menu())
            CollectActions(action->menu(), out);
        else
            out.push_back(action);
    }
}

QAction* ChooseFromMenu(QMenu* menu, QPoint) {
    std::vector<QAction*> actions;
    CollectActions(menu, actions);
    if (!currentInput || actions.empty())
        return nullptr;
    const auto pick = currentInput->ConsumeIntegralInRange<size_t>(0, actions.size());
    return pick < actions.size() ? actions[pick] : nullptr;
}

int64_t StreamSizeFor(FuzzedDataProvider& fdp) {
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return fdp.ConsumeIntegralInRange(0, 3);
    case 1:
        return 45000 + fdp.ConsumeIntegralInRange(-1, 1);
    case 2:
        return 90000 + fdp.ConsumeIntegralInRange(-1, 1);
    default:
        return 135000;
    }
}

void CheckState(TQXBinHex& viewer, const QByteArray& stream) {
    const int64_t size = stream.size();
    FUZZ_CHECK(viewer.FileSize() == size);
    FUZZ_CHECK(viewer.BufferPos() >= 0);
    FUZZ_CHECK(viewer.BufferPos() <= viewer.ViewPos());
    FUZZ_CHECK(viewer.ViewPos() <= viewer.BufferPos() + 2 * int64_t{viewer.BufMaxOffset()});
    FUZZ_CHECK(viewer.ViewPos() <= viewer.PosLast());
    const int charSize = viewer.CharSize();
    if (charSize == 2) {
        FUZZ_CHECK(viewer.ViewPos() % 2 == 0);
        FUZZ_CHECK(viewer.BufferPos() % 2 == 0);
        FUZZ_CHECK(viewer.MarkStart() % 2 == 0);
        FUZZ_CHECK(viewer.MarkLength() % 2 == 0);
    }
    FUZZ_CHECK(viewer.MarkStart() >= 0);
    FUZZ_CHECK(viewer.MarkLength() >= 0);
    if (viewer.MarkLength() > 0) {
        FUZZ_CHECK(viewer.MarkStart() + viewer.MarkLength() <= viewer.PosLast() + charSize);
        FUZZ_CHECK(viewer.MarkStart() + viewer.MarkLength() <= size);
        FUZZ_CHECK(viewer.SelText(0) == stream.mid(viewer.MarkStart(), viewer.MarkLength()));
    }
}

QPoint PointIn(FuzzedDataProvider& fdp, const TQXBinHex& viewer) {
    const int w = viewer.ClientWidth();
    const int h = viewer.ClientHeight();
    return {fdp.ConsumeIntegralInRange(-20, w + 20), fdp.ConsumeIntegralInRange(-20, h + 20)};
}

void SendMouse(TQXBinHex& viewer, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::KeyboardModifiers mods) {
    const QPointF local(at);
    const QPointF global(viewer.viewport()->mapToGlobal(at));
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, local, global, button, held, mods);
    QCoreApplication::sendEvent(viewer.viewport(), &event);
}

void SendKey(TQXBinHex& viewer, FuzzedDataProvider& fdp) {
    static constexpr Qt::Key Keys[] = {
        Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Down, Qt::Key_Up,   Qt::Key_Left,
        Qt::Key_Right,    Qt::Key_Home,   Qt::Key_End,  Qt::Key_A,    Qt::Key_C,
        Qt::Key_Insert,   Qt::Key_Menu,   Qt::Key_F10,  Qt::Key_Plus, Qt::Key_Minus};
    static constexpr Qt::KeyboardModifiers Mods[] = {
        Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
        Qt::ControlModifier | Qt::ShiftModifier, Qt::AltModifier};
    const Qt::Key key = Keys[fdp.ConsumeIntegralInRange<size_t>(0, std::size(Keys) - 1)];
    const Qt::KeyboardModifiers mods =
        Mods[fdp.ConsumeIntegralInRange<size_t>(0, std::size(Mods) - 1)];
    QKeyEvent event(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(&viewer, &event);
}

void SendWheel(TQXBinHex& viewer, FuzzedDataProvider& fdp) {
    const QPoint at = PointIn(fdp, viewer);
    const int delta = fdp.ConsumeIntegralInRange(-480, 480);
    const bool sideways = fdp.ConsumeIntegralInRange(0, 7) == 0;
    const Qt::KeyboardModifiers mods = fdp.ConsumeBool() ? Qt::NoModifier : Qt::ControlModifier;
    const QPoint angle = sideways ? QPoint(delta, 0) : QPoint(0, delta);
    QWheelEvent event(QPointF(at), QPointF(viewer.viewport()->mapToGlobal(at)), QPoint(), angle,
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewer.viewport(), &event);
}

void Drag(TQXBinHex& viewer, FuzzedDataProvider& fdp) {
    const Qt::MouseButton button = fdp.ConsumeIntegralInRange(0, 4) == 0   ? Qt::MiddleButton
                                   : fdp.ConsumeIntegralInRange(0, 4) == 0 ? Qt::RightButton
                                                                           : Qt::LeftButton;
    const Qt::KeyboardModifiers mods = fdp.ConsumeBool() ? Qt::NoModifier : Qt::ShiftModifier;
    SendMouse(viewer, QEvent::MouseButtonPress, PointIn(fdp, viewer), button, mods);
    const int moves = fdp.ConsumeIntegralInRange(0, 4);
    for (int k = 0; k < moves; ++k) {
        const QPoint at = PointIn(fdp, viewer);
        SendMouse(viewer, QEvent::MouseMove, at, button, mods);
        if (fdp.ConsumeBool())
            viewer.DragScrollStep(at.y());
        if (fdp.ConsumeBool())
            viewer.AutoScrollStep(at);
    }
    if (fdp.ConsumeIntegralInRange(0, 3) == 0)
        SendMouse(viewer, QEvent::MouseButtonDblClick, PointIn(fdp, viewer), button, mods);
    if (fdp.ConsumeIntegralInRange(0, 7) != 0)
        SendMouse(viewer, QEvent::MouseButtonRelease, PointIn(fdp, viewer), button, mods);
}

TOffset OffsetIn(FuzzedDataProvider& fdp, int64_t size) {
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return fdp.ConsumeIntegralInRange<TOffset>(-3, 3);
    case 1:
        return size + fdp.ConsumeIntegralInRange<TOffset>(-3, 3);
    default:
        return fdp.ConsumeIntegralInRange<TOffset>(-2, size + 2);
    }
}

void Step(TQXBinHex& viewer, FuzzedDataProvider& fdp, const QByteArray& stream) {
    const int64_t size = stream.size();
    switch (fdp.ConsumeIntegralInRange(0, 21)) {
    case 0:
        viewer.setMode(static_cast<TQXBinHex::TQXBinHexMode>(fdp.ConsumeIntegralInRange(0, 4)));
        break;
    case 1:
        viewer.setTextEncoding(fdp.ConsumeIntegralInRange(0, CodepageCount - 1));
        break;
    case 2: {
        const bool tiny = fdp.ConsumeBool();
        viewer.resize(tiny ? fdp.ConsumeIntegralInRange(0, 40) : fdp.ConsumeIntegralInRange(0, 900),
                      tiny ? fdp.ConsumeIntegralInRange(0, 40)
                           : fdp.ConsumeIntegralInRange(0, 700));
        break;
    }
    case 3:
        SendKey(viewer, fdp);
        break;
    case 4:
        SendWheel(viewer, fdp);
        break;
    case 5:
        Drag(viewer, fdp);
        break;
    case 6:
        viewer.SetSelection(OffsetIn(fdp, size), OffsetIn(fdp, size), fdp.ConsumeBool(),
                            fdp.ConsumeBool(), fdp.ConsumeBool());
        break;
    case 7:
        if (fdp.ConsumeBool())
            viewer.SelectAll();
        else
            viewer.SelectNone(fdp.ConsumeBool());
        break;
    case 8:
        viewer.CopyToClipboard(fdp.ConsumeBool());
        break;
    case 9: {
        const QByteArray piece = stream.mid(OffsetIn(fdp, size), fdp.ConsumeIntegralInRange(1, 6));
        QString text = piece.isEmpty() ? QStringLiteral("a") : QString::fromLatin1(piece);
        TQXSearchOptions options;
        if (fdp.ConsumeBool())
            options |= soBackward;
        if (fdp.ConsumeBool())
            options |= soCaseSensitive;
        if (fdp.ConsumeBool())
            options |= soWholeWords;
        if (fdp.ConsumeBool())
            options |= soHighlightAll;
        const TQXEncoding encoding =
            fdp.ConsumeBool() ? viewer.TextEncoding() : fdp.ConsumeIntegralInRange(-2, 131);
        // A match in the mode's own kind of encoding is selected whole; one found with a
        // one-byte page in a two-byte mode (or the reverse) may not fall on the mode's units.
        const bool modeEncoding = (viewer.CharSize() == 2) == (encoding < 0);
        if (viewer.FindText(text, encoding, options) && modeEncoding) {
            FUZZ_CHECK(viewer.MarkLength() >= 1);
            FUZZ_CHECK(viewer.MarkStart() == viewer.Search().FoundStart());
        }
        break;
    }
    case 10:
        if (!viewer.Search().SavedText().isEmpty())
            viewer.FindTextNext(fdp.ConsumeBool());
        break;
    case 11: {
        const QPoint at = PointIn(fdp, viewer);
        viewer.EncodingMenu(viewer.viewport()->mapToGlobal(at));
        break;
    }
    case 12: {
        const QPoint at = PointIn(fdp, viewer);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewer.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(viewer.viewport(), &event);
        break;
    }
    case 13: {
        QImage target;
        const int w = fdp.ConsumeIntegralInRange(0, 1000);
        const int h = fdp.ConsumeIntegralInRange(0, 800);
        TStrPositions positions;
        viewer.DrawTo(target, w, h, &positions);
        break;
    }
    case 14: {
        const QPoint at = PointIn(fdp, viewer);
        const int64_t pos = viewer.StrPositions().PosFromPoint(
            viewer.TextFont(), at.x(), at.y(), fdp.ConsumeBool(), viewer.OutputOptions(false));
        FUZZ_CHECK(pos >= -1 && pos <= size);
        if (pos >= 0) {
            int32_t x = 0;
            int32_t y = 0;
            viewer.StrPositions().PointFromPos(viewer.TextFont(), viewer.OutputOptions(false), pos,
                                               x, y);
        }
        break;
    }
    case 15:
        viewer.GoToPos(OffsetIn(fdp, size));
        break;
    case 16:
        viewer.SetViewPos(OffsetIn(fdp, size), fdp.ConsumeBool());
        break;
    case 17:
        viewer.ScrollToPos(OffsetIn(fdp, size), fdp.ConsumeIntegralInRange(0, 10),
                           fdp.ConsumeIntegralInRange(0, 10), fdp.ConsumeBool());
        break;
    case 18:
        viewer.VScroll(fdp.ConsumeIntegralInRange(0, 8), fdp.ConsumeIntegralInRange(-5, 70000));
        break;
    case 19:
        viewer.HScroll(fdp.ConsumeIntegralInRange(0, 8), fdp.ConsumeIntegralInRange(-5, 70000));
        break;
    case 20:
        switch (fdp.ConsumeIntegralInRange(0, 4)) {
        case 0:
            viewer.setTextWrap(fdp.ConsumeBool());
            break;
        case 1:
            viewer.setTextWidthFitHex(fdp.ConsumeBool());
            break;
        case 2:
            viewer.setTextWidth(fdp.ConsumeIntegralInRange(-5, 400));
            break;
        case 3:
            viewer.setTextGutter(fdp.ConsumeBool());
            viewer.Redraw();
            break;
        default:
            viewer.setTextNonPrintable(fdp.ConsumeBool());
            break;
        }
        break;
    default:
        viewer.FontSizeStep(fdp.ConsumeBool());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the harness ends by exit(), after which Qt may not tear down its devices.
    new QApplication(*argc, *argv);
    // A box would wait for a user; answer every one with Cancel.
    platform::SetMessageBoxHandler(
        [](const QString&, const QString&, uint32_t) { return platform::IDCANCEL; });
    platform::SetMenuExecHandler(ChooseFromMenu);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const int64_t streamSize = StreamSizeFor(fdp);
    QByteArray stream(static_cast<qsizetype>(streamSize), '\0');
    fuzz::Rng rng(fdp.ConsumeIntegral<uint64_t>());
    const bool text = fdp.ConsumeBool();
    for (char& c : stream) {
        const uint64_t r = rng.Next();
        // Text-like streams have lines, tabs, links and words; others any byte.
        c = text ? "ab c\r\n\t.http://w@x.de"[r % 22] : static_cast<char>(r);
    }
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);

    currentInput = &fdp;
    {
        TQXBinHex viewer;
        viewer.resize(fdp.ConsumeIntegralInRange(0, 800), fdp.ConsumeIntegralInRange(0, 600));
        viewer.setMode(static_cast<TQXBinHex::TQXBinHexMode>(fdp.ConsumeIntegralInRange(0, 4)));
        viewer.OpenStream(&buffer, /*redraw=*/true);
        CheckState(viewer, stream);
        for (int steps = 0; steps < 32 && fdp.remaining_bytes() > 0; ++steps) {
            Step(viewer, fdp, stream);
            CheckState(viewer, stream);
        }
        viewer.OpenStream(nullptr, /*redraw=*/false);
    }
    currentInput = nullptr;
    return 0;
}
