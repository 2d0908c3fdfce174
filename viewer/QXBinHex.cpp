// QXBinHex.cpp — construction, properties, the source model (open, re-open, close) and the page
// buffer.
#include "QXBinHex.h"

#include "MessageBox.h"
#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "QXxSProc.h"

#include <QEvent>
#include <QIODevice>
#include <QPainter>
#include <QScrollBar>
#include <chrono>
#include <cstring>

using namespace std::chrono_literals;

namespace {

constexpr auto DragScrollInterval = 50ms;
constexpr auto AutoScrollInterval = 100ms;
// The fonts are sized in pixels, at the heights that 10 and 9 points have at 96 dots per inch, so
// that the page's lines and columns measure the same on every screen.
constexpr int TextFontPixels = 13;
constexpr int SmallFontPixels = 12;

QFont MakeFont(const QString& family, int pixelHeight) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace

TQXBinHex::TQXBinHex(QWidget* parent)
    : QAbstractScrollArea(parent), FSearch(std::make_unique<TQXStreamSearch>()),
      PageSearch(std::make_unique<TQXStreamSearch>()),
      FileNotification(std::make_unique<TQXFileNotification>()),
      FileNotificationSimple(std::make_unique<TQXFileNotificationSimple>()) {
    InitWatchers();
    resize(200, 150);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setFont(MakeFont(QStringLiteral("Courier New"), TextFontPixels));
    FFontOEM = MakeFont(QStringLiteral("Terminal"), SmallFontPixels);
    FFontFooter = MakeFont(QStringLiteral("Arial"), SmallFontPixels);
    FFontGutter = MakeFont(QStringLiteral("Courier New"), SmallFontPixels);

    DragScrollTimer.setInterval(DragScrollInterval);
    AutoScrollTimer.setInterval(AutoScrollInterval);
    connect(&AutoScrollTimer, &QTimer::timeout, this, [this] { AutoScrollTimerTick(); });
    connect(&DragScrollTimer, &QTimer::timeout, this, [this] { DragScrollTimerTick(); });
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { ScrollBarAction(Qt::Vertical, action); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { ScrollBarAction(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this,
            [this] { ScrollBars.VThumbTrackPos = verticalScrollBar()->sliderPosition(); });
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, this,
            [this] { ScrollBars.HThumbTrackPos = horizontalScrollBar()->sliderPosition(); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        VScroll(SB_THUMBPOSITION, ScrollBars.VThumbTrackPos);
        VScroll(SB_ENDSCROLL, 0);
    });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        HScroll(SB_THUMBPOSITION, ScrollBars.HThumbTrackPos);
        HScroll(SB_ENDSCROLL, 0);
    });
    InitData();
}

TQXBinHex::~TQXBinHex() {
    FreeData();
}

// ---- Properties with effects --------------------------------------------------------------------

void TQXBinHex::setMode(TQXBinHexMode mode) {
    FMode = mode;
    SetAutoScrollMode(false);
    if (FileSourceType == vfSrcFile)
        LoadFileSource(/*reopen=*/true);
    else if (FileSourceType == vfSrcStream)
        LoadStreamSource();
    if (SourceAssigned())
        Redraw();
}

void TQXBinHex::setTextEncoding(int encoding) {
    // Every redraw converts with the encoding, so one outside the list would break them all.
    if (encoding == FTextEncoding || encoding < EncodingUnicodeBE || encoding >= CodepageCount)
        return;
    FTextEncoding = encoding;
    Redraw();
}

void TQXBinHex::setTextWidthFitHex(bool v) {
    SetCellFit(FTextWidthFitHex, v, FTextWidthHex, DefaultTextWidthHex);
}

void TQXBinHex::setTextWidthFitUHex(bool v) {
    SetCellFit(FTextWidthFitUHex, v, FTextWidthUHex, DefaultTextWidthUHex);
}

void TQXBinHex::SetCellFit(bool& fit, bool v, int& width, int unfittedWidth) {
    if (v == fit)
        return;
    fit = v;
    // Fitting switched off leaves the default width, not the last fitted one.
    if (!v)
        width = binhex::ClampHexWidth(unfittedWidth);
}

void TQXBinHex::setTextWrap(bool v) {
    if (v == FTextWrap)
        return;
    FTextWrap = v;
    if (v)
        HViewPos = 0;
    Redraw();
}

void TQXBinHex::setTextNonPrintable(bool v) {
    SetOption(FTextNonPrintable, v);
}

void TQXBinHex::setTextOemSpecial(bool v) {
    SetOption(FTextOemSpecial, v);
}

void TQXBinHex::setTextUrlHilight(bool v) {
    if (v == FTextUrlHilight)
        return;
    FTextUrlHilight = v;
    // The table follows the switch at once rather than at the next page read.
    if (v)
        DetectUrls(ViewPos);
    else
        ClearUrls();
    Redraw();
}

void TQXBinHex::setColor(uint v) {
    FColor = v;
    Redraw();
}

void TQXBinHex::setFontColor(uint v) {
    FFontColor = v;
    Redraw();
}

// ---- Sources ------------------------------------------------------------------------------------

bool TQXBinHex::SourceAssigned() const {
    switch (FileSourceType) {
    case vfSrcFile:
        return !FileName.isEmpty() && FileHandle;
    case vfSrcStream:
        return Stream != nullptr;
    default:
        return false;
    }
}

bool TQXBinHex::Open(const QString& name, bool redraw) {
    // Only the file that is open now makes a repeated Open a no-op: after a failed open, or after a
    // stream replaced the file, the same name must open the file again.
    if (name == FileName && FileSourceType == vfSrcFile)
        return true;
    FileName = name;
    const bool result = LoadFileSource(/*reopen=*/false);
    if (redraw)
        Redraw();
    return result;
}

bool TQXBinHex::OpenStream(QIODevice* stream, bool redraw) {
    if (stream == Stream)
        return true;
    Stream = stream;
    const bool result = LoadStreamSource();
    if (redraw)
        Redraw();
    return result;
}

bool TQXBinHex::LoadFileSource(bool reopen) {
    if (!reopen || !FAutoReload)
        StopWatching();
    const TOffset oldViewPos = ViewPos;
    const int oldHViewPos = HViewPos;
    const bool oldViewAtEnd = ViewAtEnd;
    const TOffset oldMarkStart = MarkStart;
    const TOffset oldMarkLength = MarkLength;

    FreeData();
    if (FileName.isEmpty())
        return true;

    FileHandle.reset(FFileOpen(FileName));
    if (!FileHandle) {
        ViewerMsgError(FormatW(CannotOpenFileText, {FileName}));
        return false;
    }
    const TOffset size = FGetFileSize(FileHandle.get());
    if (size < 0) {
        FileHandle.reset();
        FileSize = 0;
        return false;
    }
    FileSize = size;
    FileSourceType = vfSrcFile;
    AllocBuffer();
    ReadBuffer(-1);
    HexOffsetLen = binhex::HexOffsetDigits(FileSize, CharSize());

    if (reopen)
        SetSelection(oldMarkStart, oldMarkLength, /*scroll=*/false, /*fireEvent=*/false,
                     /*redraw=*/false);
    bool followedTail = false;
    if (FAutoReload) {
        if (reopen && FAutoReloadFollowTail && oldViewAtEnd) {
            ScrollToEndRepeat();
            followedTail = true;
        }
        StartWatching();
    }
    if (reopen && !followedTail) {
        if (oldViewPos > 0 && oldViewPos >= PosLast())
            ScrollToEndRepeat();
        else if (oldViewPos > 0)
            GoToPos(oldViewPos);
        SetHorzPos(oldHViewPos, /*redraw=*/true);
    }
    return true;
}

bool TQXBinHex::LoadStreamSource() {
    StopWatching();
    FreeData();
    if (!Stream)
        return true;
    FileSize = Stream->size();
    FileSourceType = vfSrcStream;
    AllocBuffer();
    ReadBuffer(-1);
    HexOffsetLen = binhex::HexOffsetDigits(FileSize, CharSize());
    return true;
}

void TQXBinHex::FreeData() {
    // The engine lets go of the source: a file it opened itself is closed and the search kept; a
    // stream is the caller's and may go away, so the search goes with it.
    if (FileSourceType == vfSrcFile)
        FSearch->SetFileName(QString());
    else if (FileSourceType == vfSrcStream)
        FSearch->SetStream(nullptr);
    SearchHighlights.clear();
    FileHandle.reset();
    Buffer.reset();
    InitData();
    DragScrollTimer.stop();
    AutoScrollTimer.stop();
}

void TQXBinHex::InitData() {
    FileHandle.reset();
    FileSize = 0;
    BufferOK = true;
    FileUnicodeFmt = vfUnicodeUnknown;
    FileSourceType = vfSrcNone;
    Buffer.reset();
    BufMaxOffset = 0;
    BufferAllocSize = 0;
    BufferPos = 0;
    ViewPos = 0;
    ViewPageSize = 0;
    HViewPos = 0;
    MarkStart = 0;
    MarkLength = 0;
    ViewAtEnd = false;
    // The scroll bars themselves (ScrollBars) belong to the widget and stay as they are.
    Scroll = {};
    Mouse = {};
    TextModel = {};
}

void TQXBinHex::AllocBuffer() {
    MaxLength = binhex::MaxLength;
    BufMaxOffset = binhex::BufMaxOffsetFor(CharSize());
    BufferAllocSize = 3 * BufMaxOffset;
    Buffer = std::make_unique<uint8_t[]>(BufferAllocSize);
}

// ---- The page buffer ----------------------------------------------------------------------------

bool TQXBinHex::ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset) {
    bytesRead = 0;
    if (block && count > 0)
        std::memset(block, 0, static_cast<size_t>(count));
    if (!block)
        throw EAssertionFailed("Buffer not allocated: ReadSource");
    if (!SourceAssigned())
        throw EAssertionFailed("Source not assigned: ReadSource");
    if (count <= 0)
        return true;

    if (FileSourceType == vfSrcFile) {
        size_t got = 0;
        const bool ok =
            platform::ReadFileAt(FileHandle.get(), block, static_cast<size_t>(count), offset, &got);
        bytesRead = static_cast<int>(got);
        return ok;
    }
    if (FileSourceType == vfSrcStream) {
        if (offset < 0)
            return false;
        // A position at or past the end reads nothing, as a memory stream does.
        if (offset >= Stream->size())
            return Stream->isReadable();
        if (!Stream->seek(offset))
            return false;
        const qint64 got = Stream->read(reinterpret_cast<char*>(block), count);
        if (got < 0)
            return false;
        bytesRead = static_cast<int>(got);
        return true;
    }
    return false;
}

void TQXBinHex::ReadBuffer(TOffset pos) {
    if (!SourceAssigned())
        return;
    if (binhex::BufferCovers(BufferPos, BufMaxOffset, pos))
        return;
    FillBuffer(pos);
}

void TQXBinHex::FillBuffer(TOffset pos) {
    // The page image may show bytes this read replaces.
    PageCache.Valid = false;
    BufferPos = binhex::BufferStartFor(pos, BufMaxOffset, CharSize());
    int bytesRead = 0;
    for (;;) {
        BufferOK = ReadSource(Buffer.get(), BufferAllocSize, bytesRead, BufferPos);
        if (BufferOK)
            break;
        const QString text = FileSourceType == vfSrcFile ? FormatW(CannotReadFileText, {FileName})
                                                         : CannotReadStreamText;
        // The question's event loop may deliver a change report of the watched file; the raised
        // lock keeps it from re-opening (or emptying) the source under this read.
        TRedrawLockHold hold(RedrawLock);
        // Nor may the scrolling timers move the view meanwhile (each step could ask again).
        DragScrollTimer.stop();
        if (Scroll.AutoScrollMode) {
            Scroll.AutoScrollMode = false;
            AutoScrollTimer.stop();
            viewport()->setCursor(CursorById(crIBeam));
        }
        if (ViewerMsgBox(text, CaptionText, platform::MB_RETRYCANCEL | platform::MB_ICONERROR) !=
            platform::IDRETRY)
            break;
    }
    // A file cut short while shown reads fewer bytes than its old size promised: the pages past
    // the new end would otherwise be drawn from the zeros the buffer was filled with.
    if (BufferOK && bytesRead < std::min<TOffset>(BufferAllocSize, FileSize - BufferPos) &&
        SourceShrank())
        return;
    DetectUnicodeFmt();
    if (LineNumbersShown() && FTextGutterLinesBufSize >= BufferPos)
        BuildLineTable(static_cast<int>(
            std::min<TOffset>(BufferPos + BufferAllocSize, FTextGutterLinesBufSize)));
    if (FTextUrlHilight)
        DetectUrls(pos);
    else
        ClearUrls();
}

bool TQXBinHex::SourceShrank() {
    TOffset size = -1;
    if (FileSourceType == vfSrcFile)
        size = FGetFileSize(FileHandle.get());
    else if (FileSourceType == vfSrcStream)
        size = Stream->size();
    if (size < 0 || size >= FileSize)
        return false;
    FileSize = size;
    const TOffset oldMarkStart = MarkStart;
    const TOffset oldMarkLength = MarkLength;
    const TOffset end = std::min(MarkStart + MarkLength, FileSize);
    MarkStart = std::min(MarkStart, FileSize - FileSize % CharSize());
    MarkLength = std::max<TOffset>(0, end - MarkStart);
    MarkLength -= MarkLength % CharSize();
    if (ViewPos > PosLast()) {
        const TOffset lineSize = IsTextLikeMode() ? CharSize() : LineSize();
        ViewPos = PosLast() / lineSize * lineSize;
    }
    // The buffer is read again where the view now is (a size lowered again meanwhile is taken the
    // same way, so this ends: the size only goes down).
    FillBuffer(ViewPos);
    if ((MarkStart != oldMarkStart || MarkLength != oldMarkLength) && OnSelectionChange)
        OnSelectionChange(this);
    return true;
}

void TQXBinHex::DetectUnicodeFmt() {
    if (FileUnicodeFmt != vfUnicodeUnknown)
        return;
    FileUnicodeFmt = vfUnicodeLE;
    if (SourceAssigned() && FileSize > 1) {
        uint8_t mark[2] = {0, 0};
        int got = 0;
        if (ReadSource(mark, 2, got, 0) && got == 2 && mark[0] == 0xFE && mark[1] == 0xFF)
            FileUnicodeFmt = vfUnicodeBE;
    }
}

int TQXBinHex::BufferOffsetOf(TOffset pos, const char* routine) const {
    const TOffset d = pos - BufferPos;
    if (!Buffer || d < 0 || d >= BufferAllocSize)
        throw EAssertionFailed(std::string("Buffer position out of range: ") + routine);
    return static_cast<int>(d);
}

char16_t TQXBinHex::GetChar(TOffset pos) {
    if (IsFileEmpty())
        return 0;
    char16_t c = 0;
    if (pos >= 0 && pos <= PosLast()) {
        const int d = BufferOffsetOf(pos, "GetChar");
        if (CharSize() == 1) {
            c = Buffer[d];
        } else {
            const uint8_t next = d + 1 < BufferAllocSize ? Buffer[d + 1] : 0;
            c = Utf16Unit(Buffer[d], next, SourceByteOrder());
        }
    }
    const bool textMode = IsTextLikeMode();
    if (c == 9 && !textMode)
        return u'.';
    if (c < FirstPrintable && !(textMode && (c == 9 || IsLineBreakChar(c))))
        return u'.';
    if (c == 30 || c == 31)
        return u'.';
    return c;
}

QString TQXBinHex::GetHex(TOffset pos) {
    if (pos < 0 || pos > PosLast())
        return {};
    const int d = BufferOffsetOf(pos, "GetHex");
    QString hex = QStringLiteral("%1").arg(Buffer[d], 2, 16, QLatin1Char('0')).toUpper();
    if (CharSize() == 2 && d + 1 < BufferAllocSize)
        hex.prepend(QStringLiteral("%1").arg(Buffer[d + 1], 2, 16, QLatin1Char('0')).toUpper());
    return hex;
}

int TQXBinHex::LineSize() const {
    switch (FMode) {
    case vbmodeBinary:
        return FTextWidth;
    case vbmodeHex:
        return FTextWidthHex;
    case vbmodeUHex:
        return CharSize() * FTextWidthUHex;
    default:
        return CharSize();
    }
}

int TQXBinHex::LinesNum() const {
    if (LineHeight <= 0)
        return 0;
    // The client height, which the page image takes at its next drawing: a move made right after a
    // resize (keeping the end in view) already counts the lines of the new size.
    return binhex::ClampInt((viewport()->height() - 2) / LineHeight, 0, binhex::MaxPageLines);
}
