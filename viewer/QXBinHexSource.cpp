// QXBinHexSource.cpp — setting up the control, the properties with effects, the source model (open,
// re-open, close) and the page buffer.
#include "QXBinHex_p.h"

#include "MessageBox.h"
#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "QXxFProc.h"
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

TQXBinHexPrivate::TQXBinHexPrivate(TQXBinHex* control)
    : q(control), FSearch(std::make_unique<TQXStreamSearch>()),
      PageSearch(std::make_unique<TQXStreamSearch>()),
      FileNotification(std::make_unique<TQXFileNotification>()),
      FileNotificationSimple(std::make_unique<TQXFileNotificationSimple>()) {}

TQXBinHexPrivate::~TQXBinHexPrivate() {
    FreeData();
}

void TQXBinHexPrivate::Init() {
    InitWatchers();
    FSearch->OnProgress = [this](QObject*, int64_t current, int64_t maximal, bool& go) {
        go = NotifySearchProgress(current, maximal);
    };
    q->resize(200, 150);
    q->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    q->setFocusPolicy(Qt::StrongFocus);
    q->viewport()->setCursor(Qt::IBeamCursor);
    q->viewport()->setMouseTracking(true);
    q->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    q->viewport()->setAutoFillBackground(false);
    q->setFont(MakeFont(QStringLiteral("Courier New"), TextFontPixels));
    FFontOEM = MakeFont(QStringLiteral("Terminal"), SmallFontPixels);
    FFontFooter = MakeFont(QStringLiteral("Arial"), SmallFontPixels);
    FFontGutter = MakeFont(QStringLiteral("Courier New"), SmallFontPixels);

    DragScrollTimer.setInterval(DragScrollInterval);
    AutoScrollTimer.setInterval(AutoScrollInterval);
    QObject::connect(&AutoScrollTimer, &QTimer::timeout, q, [this] { AutoScrollTimerTick(); });
    QObject::connect(&DragScrollTimer, &QTimer::timeout, q, [this] { DragScrollTimerTick(); });
    q->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    q->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QScrollBar* vert = q->verticalScrollBar();
    QScrollBar* horz = q->horizontalScrollBar();
    vert->installEventFilter(q);
    horz->installEventFilter(q);
    // The tool tips of the marks.
    q->viewport()->installEventFilter(q);
    QObject::connect(vert, &QScrollBar::actionTriggered, q,
                     [this](int action) { ScrollBarAction(Qt::Vertical, action); });
    QObject::connect(horz, &QScrollBar::actionTriggered, q,
                     [this](int action) { ScrollBarAction(Qt::Horizontal, action); });
    QObject::connect(vert, &QScrollBar::sliderPressed, q,
                     [this, vert] { ScrollBars.VThumbTrackPos = vert->sliderPosition(); });
    QObject::connect(horz, &QScrollBar::sliderPressed, q,
                     [this, horz] { ScrollBars.HThumbTrackPos = horz->sliderPosition(); });
    QObject::connect(vert, &QScrollBar::sliderReleased, q, [this] {
        VScroll(SB_THUMBPOSITION, ScrollBars.VThumbTrackPos);
        VScroll(SB_ENDSCROLL, 0);
    });
    QObject::connect(horz, &QScrollBar::sliderReleased, q, [this] {
        HScroll(SB_THUMBPOSITION, ScrollBars.HThumbTrackPos);
        HScroll(SB_ENDSCROLL, 0);
    });
    InitData();
}

// ---- Properties with effects --------------------------------------------------------------------

void TQXBinHexPrivate::SetMode(TQXBinHexMode mode) {
    FMode = mode;
    SetAutoScrollMode(false);
    if (FileSourceType == vfSrcFile)
        LoadFileSource(/*reopen=*/true);
    else if (FileSourceType == vfSrcStream)
        LoadStreamSource();
    if (SourceAssigned())
        Redraw();
}

void TQXBinHexPrivate::SetTextEncoding(int encoding) {
    // Every redraw converts with the encoding, so one outside the list would break them all.
    if (encoding == FTextEncoding || encoding < EncodingUnicodeBE || encoding >= CodepageCount)
        return;
    FTextEncoding = encoding;
    Redraw();
}

void TQXBinHexPrivate::SetCellFit(bool& fit, bool v, int& width, int unfittedWidth) {
    if (v == fit)
        return;
    fit = v;
    // Fitting switched off leaves the default width, not the last fitted one.
    if (!v)
        width = binhex::ClampHexWidth(unfittedWidth);
}

void TQXBinHexPrivate::SetTextWrap(bool v) {
    if (v == FTextWrap)
        return;
    FTextWrap = v;
    if (v)
        HViewPos = 0;
    Redraw();
}

void TQXBinHexPrivate::SetTextUrlHilight(bool v) {
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

// ---- Sources ------------------------------------------------------------------------------------

bool TQXBinHexPrivate::SourceAssigned() const {
    switch (FileSourceType) {
    case vfSrcFile:
        return !FileName.isEmpty() && FileHandle;
    case vfSrcStream:
        return Stream != nullptr;
    default:
        return false;
    }
}

bool TQXBinHexPrivate::Open(const QString& name, bool redraw) {
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

bool TQXBinHexPrivate::OpenStream(QIODevice* stream, bool redraw) {
    if (stream == Stream)
        return true;
    Stream = stream;
    const bool result = LoadStreamSource();
    if (redraw)
        Redraw();
    return result;
}

bool TQXBinHexPrivate::LoadFileSource(bool reopen) {
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
    HexOffsetLen = binhex::HexOffsetDigits(FileSize, CharSize(), AddressBase);

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

bool TQXBinHexPrivate::LoadStreamSource() {
    StopWatching();
    FreeData();
    if (!Stream)
        return true;
    FileSize = Stream->size();
    FileSourceType = vfSrcStream;
    AllocBuffer();
    ReadBuffer(-1);
    HexOffsetLen = binhex::HexOffsetDigits(FileSize, CharSize(), AddressBase);
    return true;
}

void TQXBinHexPrivate::FreeData() {
    // The engine lets go of the source: a file it opened itself is closed and the search kept; a
    // stream is the caller's and may go away, so the search goes with it.
    if (FileSourceType == vfSrcFile)
        FSearch->SetFileName(QString());
    else if (FileSourceType == vfSrcStream)
        FSearch->SetStream(nullptr);
    SearchHighlights.clear();
    FileHandle.reset();
    Buffer.Free();
    InitData();
    DragScrollTimer.stop();
    AutoScrollTimer.stop();
}

void TQXBinHexPrivate::InitData() {
    FileHandle.reset();
    FileSize = 0;
    BufferOK = true;
    FileUnicodeFmt = vfUnicodeUnknown;
    FileSourceType = vfSrcNone;
    Buffer.Free();
    BufMaxOffset = 0;
    Buffer.Pos = 0;
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

void TQXBinHexPrivate::AllocBuffer() {
    MaxLength = binhex::MaxLength;
    BufMaxOffset = binhex::BufMaxOffsetFor(CharSize());
    Buffer.Allocate(3 * BufMaxOffset);
}

// ---- The page buffer ----------------------------------------------------------------------------

bool TQXBinHexPrivate::ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset) {
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

void TQXBinHexPrivate::ReadBuffer(TOffset pos) {
    if (!SourceAssigned())
        return;
    if (binhex::BufferCovers(Buffer.Pos, BufMaxOffset, pos))
        return;
    FillBuffer(pos);
}

void TQXBinHexPrivate::FillBuffer(TOffset pos) {
    // The page image may show bytes this read replaces.
    PageCache.Valid = false;
    Buffer.Pos = binhex::BufferStartFor(pos, BufMaxOffset, CharSize());
    int bytesRead = 0;
    for (;;) {
        BufferOK = ReadSource(Buffer.Data(), Buffer.Size(), bytesRead, Buffer.Pos);
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
            q->viewport()->setCursor(CursorById(crIBeam));
        }
        if (ViewerMsgBox(text, CaptionText, platform::MB_RETRYCANCEL | platform::MB_ICONERROR) !=
            platform::IDRETRY)
            break;
    }
    // A file cut short while shown reads fewer bytes than its old size promised: the pages past
    // the new end would otherwise be drawn from the zeros the buffer was filled with.
    if (BufferOK && bytesRead < std::min<TOffset>(Buffer.Size(), FileSize - Buffer.Pos) &&
        SourceShrank())
        return;
    DetectUnicodeFmt();
    if (LineNumbersShown() && FTextGutterLinesBufSize >= Buffer.Pos)
        BuildLineTable(static_cast<int>(
            std::min<TOffset>(Buffer.Pos + Buffer.Size(), FTextGutterLinesBufSize)));
    if (FTextUrlHilight)
        DetectUrls(pos);
    else
        ClearUrls();
}

bool TQXBinHexPrivate::SourceShrank() {
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
    if (MarkStart != oldMarkStart || MarkLength != oldMarkLength)
        NotifySelectionChange();
    return true;
}

void TQXBinHexPrivate::DetectUnicodeFmt() {
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

void TQXBinHexPrivate::CheckBufferHolds(TOffset pos, const char* routine) const {
    if (!Buffer.Holds(pos))
        throw EAssertionFailed(std::string("Buffer position out of range: ") + routine);
}

char16_t TQXBinHexPrivate::GetChar(TOffset pos) {
    if (IsFileEmpty())
        return 0;
    char16_t c = 0;
    if (pos >= 0 && pos <= PosLast()) {
        CheckBufferHolds(pos, "GetChar");
        c = CharSize() == 1 ? Buffer.ByteAt(pos) : Buffer.UnitAt(pos, SourceByteOrder());
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

QString TQXBinHexPrivate::GetHex(TOffset pos) {
    if (pos < 0 || pos > PosLast())
        return {};
    CheckBufferHolds(pos, "GetHex");
    const binhex::TPageBuffer::THexDigits digits = Buffer.HexDigitsAt(pos, CharSize());
    QString hex(digits.Count, Qt::Uninitialized);
    for (int k = 0; k < digits.Count; ++k)
        hex[k] = QLatin1Char("0123456789ABCDEF"[digits.Digit[static_cast<size_t>(k)]]);
    return hex;
}

int TQXBinHexPrivate::LineSize() const {
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

int TQXBinHexPrivate::LinesNum() const {
    if (LineHeight <= 0)
        return 0;
    // The client height, which the page image takes at its next drawing: a move made right after a
    // resize (keeping the end in view) already counts the lines of the new size.
    return binhex::ClampInt((q->viewport()->height() - 2) / LineHeight, 0, binhex::MaxPageLines);
}
