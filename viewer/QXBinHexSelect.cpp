// QXBinHexSelect.cpp — the selection (mouse, keys, commands), copying it to the clipboard, the
// context menu and the code page and byte order menus.
#include "QXBinHex_p.h"

#include "Interaction.h"
#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "QXxClipboard.h"
#include "QXxCodepages.h"
#include "QXxSHex.h"
#include "QXxSProc.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleHints>
#include <limits>

namespace {

constexpr int MaxDelimiterSearch = 8192;

// Milliseconds since the program started, wrapping like a system tick count.
uint32_t TickCount() {
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return static_cast<uint32_t>(timer.elapsed());
}

QString MakeWordDelimiters() {
    QString d;
    auto add = [&](int from, int to) {
        for (int c = from; c <= to; ++c)
            d += QChar(c);
    };
    add(32, 47);
    add(58, 64);
    add(91, 94);
    add(96, 96);
    add(123, 127);
    d += QChar(13);
    d += QChar(10);
    d += QChar(9);
    return d;
}

} // namespace

const QString TQXBinHexPrivate::LineDelimiters = QStringLiteral("\r\n");
const QString TQXBinHexPrivate::WordDelimiters = MakeWordDelimiters();

// ---- Selection ----------------------------------------------------------------------------------

void TQXBinHexPrivate::SetSelection(TOffset start, TOffset length, bool scroll, bool fireEvent,
                                    bool redraw) {
    if (!FTextEnableSel) {
        MarkLength = 0;
        return;
    }
    if (start < 0 || start > PosLast() || length < 0)
        return;
    // A source without a whole character has nothing to select, though PosLast() is 0 there too.
    if (IsFileEmpty())
        length = 0;
    const bool changed = start != MarkStart || length != MarkLength;
    if (changed) {
        const int cs = CharSize();
        MarkStart = start - start % cs;
        MarkLength = length - length % cs;
        MarkLength = std::min(MarkLength, PosLast() + cs - MarkStart);
    }
    if (scroll)
        ScrollToPos(start, FTextSearchIndentVert, FTextSearchIndentHorz, /*redrawHorz=*/false);
    if (redraw)
        Redraw();
    if (changed && fireEvent)
        NotifySelectionChange();
}

void TQXBinHexPrivate::SelectAll() {
    SetSelection(0, FileSize, false, /*fireEvent=*/true, /*redraw=*/true);
}

void TQXBinHexPrivate::SelectNone(bool fireEvent) {
    SetSelection(0, 0, false, fireEvent, /*redraw=*/true);
}

void TQXBinHexPrivate::ScrollToPos(TOffset pos, int indentLines, int indentChars, bool redrawHorz) {
    if (IsTextLikeMode()) {
        TextLinesMove(indentLines + 1, /*forward=*/false, /*redraw=*/true, /*start=*/false, pos);
    } else {
        const TOffset lineSize = LineSize();
        const TOffset top =
            std::max<TOffset>(pos / lineSize * lineSize - indentLines * lineSize, 0);
        SetViewPos(top, /*redraw=*/true);
    }
    int x = 0, y = 0;
    if (!StrPositions.PointFromPos(TextFont(), OutputOptions(false), pos, x, y))
        return;
    if (LeftMargin() <= x && x < ClientWidth() - 8)
        return;
    SetHorzPos(x + HViewPos - LeftMargin() - indentChars * CharWidth, redrawHorz);
}

TOffset TQXBinHexPrivate::ExtendToDelimiter(const QString& delims, bool forward, TOffset pos) {
    const int cs = CharSize();
    TOffset p = pos - pos % cs;
    for (int i = 0; i < MaxDelimiterSearch; ++i) {
        const TOffset next = forward ? p + cs : p - cs;
        if (next < 0 || next > PosLast() || !Buffer.Holds(next))
            break;
        if (delims.contains(QChar(GetChar(next))))
            break;
        p = next;
    }
    return p;
}

void TQXBinHexPrivate::SelectAround(const QString& delims, TOffset pos) {
    const TOffset first = ExtendToDelimiter(delims, /*forward=*/false, pos);
    const TOffset last = ExtendToDelimiter(delims, /*forward=*/true, pos);
    SetSelection(first, last + CharSize() - first, false, /*fireEvent=*/true, /*redraw=*/true);
}

QString TQXBinHexPrivate::TextAround(TOffset pos) {
    if (!Buffer.Allocated() || pos < 0)
        return {};
    const TOffset first = ExtendToDelimiter(LineDelimiters, /*forward=*/false, pos);
    const TOffset last = ExtendToDelimiter(LineDelimiters, /*forward=*/true, pos);
    const TOffset end = last + CharSize();
    const QByteArrayView bytes = end > first ? Buffer.View(first, end - first) : QByteArrayView();
    if (bytes.isEmpty())
        return {};
    if (CharSize() == 2)
        return BytesToWide(bytes.data(), static_cast<int32_t>(bytes.size()),
                           FileUnicodeFmt == vfUnicodeBE);
    return CodepageToUnicode(bytes, OneByteEncoding());
}

void TQXBinHexPrivate::ExtendSelectionTo(QPoint client) {
    if (Mouse.DragStart < 0)
        return;
    const TOffset pos = PosAtPoint(client, THitTest::Near);
    if (pos < 0)
        return;
    const TOffset a = std::min(Mouse.DragStart, pos);
    const TOffset b = std::max(Mouse.DragStart, pos);
    SetSelection(a, b - a, false, /*fireEvent=*/false, /*redraw=*/true);
}

// ---- Reading and copying ------------------------------------------------------------------------

QByteArray TQXBinHexPrivate::SelText(int maxLen) {
    if (MarkLength <= 0 || !SourceAssigned())
        return {};
    const TOffset limit = static_cast<TOffset>(SelTextLimitMb) << 20;
    TOffset n = maxLen > 0 ? std::min<TOffset>(maxLen, MarkLength) : std::min(limit, MarkLength);
    // One read fills one byte array: a limit set beyond what an array holds is lowered to it.
    n = std::min<TOffset>(n, std::numeric_limits<int>::max() / 2);
    QByteArray bytes(static_cast<qsizetype>(n), Qt::Uninitialized);
    int got = 0;
    if (!ReadSource(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<int>(n), got,
                    MarkStart)) {
        ViewerMsgError(FileSourceType == vfSrcFile ? FormatW(CannotReadFileText, {FileName})
                                                   : CannotReadStreamText);
        return {};
    }
    bytes.truncate(got);
    if (got < n && SourceShrank()) {
        // The source was cut short under the selection: what is left of it is shown and copied;
        // when nothing is, the copy says it could not read rather than leave the clipboard as it
        // was without a word.
        Redraw();
        if (got == 0) {
            ViewerMsgError(FileSourceType == vfSrcFile ? FormatW(CannotReadFileText, {FileName})
                                                       : CannotReadStreamText);
            return {};
        }
    }
    return bytes;
}

QString TQXBinHexPrivate::SelTextW() {
    if (CharSize() != 2)
        throw EAssertionFailed("SelTextW is called in non-Unicode mode");
    const QByteArray bytes = SelText(0);
    return BytesToWide(bytes.constData(), static_cast<int32_t>(bytes.size()),
                       FileUnicodeFmt == vfUnicodeBE);
}

void TQXBinHexPrivate::CopyToClipboard(bool asHex) {
    CopySelection(asHex, TQXClipboardKind::Clipboard);
}

void TQXBinHexPrivate::CopySelection(bool asHex, TQXClipboardKind kind) {
    try {
        if (CharSize() == 2) {
            QString text = SelTextW();
            if (text.isEmpty())
                return;
            ZerosToSpacesW(text);
            PutClipboardText(text, kind);
            return;
        }
        QByteArray bytes = SelText(0);
        if (bytes.isEmpty())
            return;
        if (asHex)
            bytes = BytesToHexText(bytes);
        else
            ZerosToSpaces(bytes);
        PutClipboardTextInEncoding(bytes, OneByteEncoding(), kind);
    } catch (const std::exception&) {
        ViewerMsgError(ClipboardErrorText);
    }
}

void TQXBinHexPrivate::CopyLink() {
    const TOffset pos = PosAtPoint(Mouse.PopupPoint, THitTest::Strict);
    const QByteArray url = UrlAt(pos);
    if (!url.isEmpty())
        PutClipboardTextInEncoding(url, 0);
}

void TQXBinHexPrivate::SelectLine() {
    if (Mouse.PopupPoint.x() < 0 || Mouse.PopupPoint.y() < 0)
        return;
    const TOffset pos = PosAtPoint(Mouse.PopupPoint, THitTest::Near);
    if (pos >= 0)
        SelectAround(LineDelimiters, pos);
}

// ---- Context menu -------------------------------------------------------------------------------

QAction* TQXBinHexPrivate::PopupItem(TQXPopupCommand command) const {
    if (!ViewerPopupMenu)
        return nullptr;
    for (QAction* a : ViewerPopupMenu->actions())
        if (!a->isSeparator() && a->data().toInt() == command)
            return a;
    return nullptr;
}

void TQXBinHexPrivate::UpdatePopupMenu() {
    if (!ViewerPopupMenu) {
        ViewerPopupMenu = new QMenu(q);
        auto add = [this](const QString& caption, TQXPopupCommand command, auto handler) {
            QAction* a = ViewerPopupMenu->addAction(caption);
            a->setData(static_cast<int>(command));
            QObject::connect(a, &QAction::triggered, q, handler);
        };
        add(QStringLiteral("Copy"), vpCmdCopy, [this] { CopyToClipboard(false); });
        add(QStringLiteral("Copy as hex"), vpCmdCopyHex, [this] { CopyToClipboard(true); });
        add(QStringLiteral("Copy link"), vpCmdCopyLink, [this] { CopyLink(); });
        ViewerPopupMenu->addSeparator();
        add(QStringLiteral("Select line"), vpCmdSelectLine, [this] { SelectLine(); });
        add(QStringLiteral("Select all"), vpCmdSelectAll, [this] { SelectAll(); });
        ViewerPopupMenu->addSeparator();
        add(QStringLiteral("Encoding..."), vpCmdEncMenu, [this] { EncodingMenu(QCursor::pos()); });
    }
    const bool empty = IsFileEmpty();
    const bool sel = MarkLength > 0;
    const TOffset linkPos = PosAtPoint(Mouse.PopupPoint, THitTest::Strict);
    const TOffset evenSize = FileSize - FileSize % CharSize();
    auto set = [this](TQXPopupCommand command, bool enabled) {
        QAction* a = PopupItem(command);
        a->setVisible(FTextPopupCommands.testFlag(command));
        a->setEnabled(enabled);
    };
    set(vpCmdCopy, !empty && sel);
    set(vpCmdCopyHex, !empty && sel && FMode == vbmodeHex);
    set(vpCmdCopyLink, !empty && !UrlAt(linkPos).isEmpty());
    set(vpCmdSelectLine, !empty && FTextEnableSel);
    set(vpCmdSelectAll, !empty && FTextEnableSel && (MarkStart != 0 || MarkLength < evenSize));
    set(vpCmdEncMenu, !empty);
}

void TQXBinHexPrivate::ShowPopupMenu(QPoint client, QPoint global) {
    Mouse.PopupPoint = client;
    UpdatePopupMenu();
    platform::ExecMenu(ViewerPopupMenu, global);
}

// ---- Encoding menus -----------------------------------------------------------------------------

void TQXBinHexPrivate::ChooseCodepage(int encoding) {
    SetTextEncoding(encoding);
    NotifyOptionsChange();
}

void TQXBinHexPrivate::ChooseByteOrder(TFileUnicodeFmt format) {
    FileUnicodeFmt = format;
    if (CharSize() == 2)
        Redraw();
    NotifyOptionsChange();
}

QMenu* TQXBinHexPrivate::PrepareEncodingMenu() {
    if (CharSize() == 2) {
        static constexpr const char* ByteOrderMenuName = "ByteOrderMenu";
        auto* menu =
            q->findChild<QMenu*>(QLatin1String(ByteOrderMenuName), Qt::FindDirectChildrenOnly);
        if (!menu) {
            menu = new QMenu(q);
            menu->setObjectName(QLatin1String(ByteOrderMenuName));
            auto* group = new QActionGroup(menu);
            for (const auto& [encoding, format] : {std::pair{EncodingUnicodeBE, vfUnicodeBE},
                                                   std::pair{EncodingUnicodeLE, vfUnicodeLE}}) {
                QAction* a = menu->addAction(QString::fromLatin1(CodepageName(encoding)));
                a->setCheckable(true);
                a->setData(static_cast<int>(format));
                group->addAction(a);
                QObject::connect(a, &QAction::triggered, q,
                                 [this, f = format] { ChooseByteOrder(f); });
            }
        }
        for (QAction* a : menu->actions())
            a->setChecked(a->data().toInt() == FileUnicodeFmt);
        return menu;
    }

    static constexpr const char* CodepageMenuName = "CodepageMenu";
    auto* menu = q->findChild<QMenu*>(QLatin1String(CodepageMenuName), Qt::FindDirectChildrenOnly);
    if (!menu) {
        menu = new QMenu(q);
        menu->setObjectName(QLatin1String(CodepageMenuName));
    }
    menu->clear();
    for (QMenu* old : menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        old->deleteLater();
    for (QActionGroup* old :
         menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    auto* group = new QActionGroup(menu);
    QMenu* submenu = nullptr;
    QByteArray previousGroup;
    bool firstSubmenu = true;
    for (int i = 0; i < CodepageCount; ++i) {
        const TQXCodepageRec& row = CodepageList[static_cast<size_t>(i)];
        const QByteArray name(row.Name);
        if (name.isEmpty())
            continue;
        const QByteArray groupName(row.Group);
        QAction* a = nullptr;
        if (groupName.isEmpty()) {
            a = menu->addAction(QString::fromLatin1(name));
        } else {
            if (!submenu || groupName != previousGroup) {
                if (firstSubmenu || groupName == "Unicode")
                    menu->addSeparator();
                firstSubmenu = false;
                submenu = menu->addMenu(QString::fromLatin1(groupName));
            }
            a = submenu->addAction(QString::fromLatin1(name));
            a->setEnabled(IsCodepageSupported(i));
        }
        previousGroup = groupName;
        a->setCheckable(true);
        a->setData(i);
        a->setChecked(i == FTextEncoding);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, q, [this, i] { ChooseCodepage(i); });
    }
    return menu;
}

void TQXBinHexPrivate::EncodingMenu(QPoint screenPos) {
    QMenu* menu = PrepareEncodingMenu();
    if (CharSize() == 2)
        screenPos -= QPoint(menu->sizeHint().width() / 2, menu->sizeHint().height() / 2);
    platform::ExecMenu(menu, screenPos);
    QCoreApplication::processEvents();
}

// ---- Keys and mouse -----------------------------------------------------------------------------

TOffset TQXBinHexPrivate::PosAtPoint(QPoint client, THitTest mode) const {
    return StrPositions.PosFromPoint(TextFont(), client.x(), client.y(), mode == THitTest::Strict,
                                     OutputOptions(false));
}

bool TQXBinHexPrivate::HandleSelectionKey(QKeyEvent* event) {
    const auto mods = binhex::ShiftKeys(event->modifiers());
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_A) {
        SelectAll();
        return true;
    }
    if (mods == Qt::ControlModifier &&
        (event->key() == Qt::Key_C || event->key() == Qt::Key_Insert)) {
        CopyToClipboard(false);
        return true;
    }
    if ((mods == Qt::NoModifier && event->key() == Qt::Key_Menu) ||
        (mods == Qt::ShiftModifier && event->key() == Qt::Key_F10)) {
        ShowPopupMenu(QPoint(-1, -1), q->viewport()->mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return false;
}

void TQXBinHexPrivate::HandleSelectionPress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const TOffset pos = PosAtPoint(at, THitTest::Near);
    const auto mods = binhex::ShiftKeys(event->modifiers());
    if (mods == Qt::ShiftModifier && event->buttons() == Qt::LeftButton) {
        SetSelection(std::max<TOffset>(0, std::min(Mouse.Anchor, pos)),
                     std::abs(pos - Mouse.Anchor), false,
                     /*fireEvent=*/true, /*redraw=*/true);
        return;
    }
    const uint32_t now = TickCount();
    const auto doubleClickTime =
        static_cast<uint32_t>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    if (Mouse.TripleClickArmed && now - Mouse.DblClickTick <= doubleClickTime) {
        Mouse.DblClickDone = false;
        Mouse.TripleClickArmed = false;
        Mouse.DblClickTick = 0;
        SelectAround(LineDelimiters, Mouse.ClickPos);
    } else if (Mouse.DblClickDone) {
        Mouse.DblClickDone = false;
        Mouse.TripleClickArmed = true;
        Mouse.DblClickTick = now;
    } else {
        SelectNone(/*fireEvent=*/false);
    }
    Mouse.Selecting = true;
    Mouse.DragStart = pos;
    Mouse.Anchor = pos;
    Mouse.ClickPos = pos - CharSize();
    Mouse.DblClickDone = false;
}

void TQXBinHexPrivate::MouseDoubleClicked(QMouseEvent* event) {
    // The second press of a double click arrives as this event: the word is selected first, then
    // the press is handled as any other.
    if (event->button() == Qt::LeftButton && Mouse.ClickPos >= 0 && !Scroll.AutoScrollMode) {
        Mouse.DblClickDone = true;
        Mouse.TripleClickArmed = false;
        Mouse.DblClickTick = 0;
        SelectAround(WordDelimiters, Mouse.ClickPos);
    }
    MousePressed(event);
}

void TQXBinHexPrivate::MouseMoved(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!Scroll.AutoScrollMode) {
        const TOffset pos = PosAtPoint(at, THitTest::Strict);
        q->viewport()->setCursor(CursorById(UrlAt(pos).isEmpty() ? crIBeam : crHandPoint));
    }
    if (!Mouse.Selecting) {
        DragScrollTimer.stop();
        return;
    }
    if (at.y() <= 0)
        Mouse.DragScroll = dsUp;
    else if (at.y() >= ClientHeight() - 1)
        Mouse.DragScroll = dsDown;
    else if (LeftMargin() < at.x() && at.x() < ClientWidth() - 1)
        Mouse.DragScroll = dsNone;
    else if (at.x() >= ClientWidth() - 1)
        Mouse.DragScroll = dsRight;
    else
        Mouse.DragScroll = dsLeft;
    if (Mouse.DragScroll == dsNone) {
        DragScrollTimer.stop();
        ExtendSelectionTo(at);
    } else if (!DragScrollTimer.isActive()) {
        DragScrollTimer.start();
    }
}

void TQXBinHexPrivate::MouseReleased(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (Mouse.DragStart >= 0 && PosAtPoint(at, THitTest::Near) == Mouse.DragStart)
        ClickUrl(Mouse.DragStart);
    const bool selectedWithMouse = Mouse.Selecting;
    Mouse.Selecting = false;
    Mouse.DragStart = -1;
    DragScrollTimer.stop();
    Mouse.DragScroll = dsNone;
    // As in every X11 text view: what the mouse selected is what a middle click elsewhere pastes.
    if (selectedWithMouse && MarkLength > 0 && HasPrimarySelection())
        CopySelection(/*asHex=*/false, TQXClipboardKind::PrimarySelection);
    NotifySelectionChange();
}
