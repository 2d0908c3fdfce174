// QXBinHex_p.h — TQXBinHexPrivate, the state and the internal rules of TQXBinHex (not installed;
// the control's own files and its tests include it).
#pragma once

#include "QXBinHex.h"
#include "QXBinHexLayout.h"
#include "QXBinHexMarks.h"
#include "QXBinHexPageBuffer.h"
#include "QXBinHexPageCache.h"
#include "QXBinHexScrollState.h"
#include "QXBinHexSelectState.h"
#include "QXBinHexTextState.h"
#include "QXFileNotification.h"
#include "QXFileNotificationSimple.h"
#include "QXxSProc.h"
#include "SysColors.h"

#include <QCursor>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QHelpEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QScrollBar;
namespace platform {
enum class ClipboardKind;
}

using TColor = platform::TColor;

// The public modes are the layout's modes under their published names.
static_assert(int(TQXBinHex::vbmodeText) == binhex::ModeText &&
              int(TQXBinHex::vbmodeBinary) == binhex::ModeBinary &&
              int(TQXBinHex::vbmodeHex) == binhex::ModeHex &&
              int(TQXBinHex::vbmodeUnicode) == binhex::ModeUnicode &&
              int(TQXBinHex::vbmodeUHex) == binhex::ModeUHex);

// Everything TQXBinHex holds and the rules it follows; the control's public operations hand over
// to the functions of the same names here. Only the control writes this state.
class TQXBinHexPrivate {
public:
    explicit TQXBinHexPrivate(TQXBinHex* control);
    ~TQXBinHexPrivate();
    TQXBinHexPrivate(const TQXBinHexPrivate&) = delete;
    TQXBinHexPrivate& operator=(const TQXBinHexPrivate&) = delete;
    // Connects the timers, the scroll bars and the watchers, and resets the source state.
    void Init();

    static TQXBinHexPrivate& get(TQXBinHex& control) { return *control.d; }
    static const TQXBinHexPrivate& get(const TQXBinHex& control) { return *control.d; }

    TQXBinHex* const q;

    using TQXBinHexMode = TQXBinHex::TQXBinHexMode;
    using TQXPopupCommand = TQXBinHex::TQXPopupCommand;
    using TQXPopupCommands = TQXBinHex::TQXPopupCommands;
    using TFileSourceType = TQXBinHex::TFileSourceType;
    using TFileUnicodeFmt = TQXBinHex::TFileUnicodeFmt;
    using TLineChars = TQXBinHex::TLineChars;
    using enum TQXBinHex::TQXBinHexMode;
    using enum TQXBinHex::TQXPopupCommand;
    using enum TQXBinHex::TFileSourceType;
    using enum TQXBinHex::TFileUnicodeFmt;
    using enum TQXBinHex::TScrollCode;
    using enum binhex::TDragScrollDirection;

    // ---- Events ----

    TQXBinHex::TNotifyEvent OnFileReload;
    TQXBinHex::TNotifyEvent OnSelectionChange;
    TQXBinHex::TNotifyEvent OnOptionsChange;
    TQXBinHex::TNotifyEvent OnScroll;
    TQXBinHex::TQXBinHexDrawLine OnDrawLine;
    TQXBinHex::TQXBinHexDrawLine2 OnDrawLine2;
    TQXBinHex::TQXBinHexClickURL OnClickURL;
    TQXStreamSearchProgress OnSearchProgress;
    // Each calls its event (when assigned) and emits its signal.
    void NotifyFileReload();
    void NotifySelectionChange();
    void NotifyOptionsChange();
    void NotifyScroll();
    void NotifyClickUrl(const QByteArray& url);
    bool NotifySearchProgress(int64_t current, int64_t maximal);
    // True when OnDrawLine or OnDrawLine2 (or their signals) would be told of the text lines.
    bool DrawLineObserved() const;
    bool DrawLine2Observed() const;

    // ---- Source and page buffer (QXBinHexSource.cpp) ----

    QString FileName;
    TOffset FileSize = 0;
    TFileSourceType FileSourceType = vfSrcNone;
    QIODevice* Stream = nullptr;
    int BufMaxOffset = 0;
    bool BufferOK = true;
    TFileUnicodeFmt FileUnicodeFmt = vfUnicodeUnknown;
    int HexOffsetLen = 8;
    // Added to the offsets the offset column shows.
    TOffset AddressBase = 0;
    // The open file of the file source (closes itself) and the page buffer, whose Pos is BufferPos.
    platform::UniqueFile FileHandle;
    binhex::TPageBuffer Buffer;
    // Nesting depth of drawings and re-opens; a change on disk meanwhile is only reported.
    int RedrawLock = 0;
    int MaxLength = binhex::MaxLength;
    uint8_t FirstPrintable = 32;
    // Largest selection SelText returns without a limit of its own, in MiB; tests that copy a
    // whole huge source keep it small.
    int SelTextLimitMb = 16;

    bool Open(const QString& name, bool redraw);
    bool OpenStream(QIODevice* stream, bool redraw);
    bool ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset);
    void ReadBuffer(TOffset pos);
    char16_t GetChar(TOffset pos);
    QString GetHex(TOffset pos);
    bool SourceAssigned() const;
    bool IsFileEmpty() const { return FileSize < CharSize(); }
    TOffset PosLast() const { return LastCharPos(FileSize, CharSize()); }
    int LineSize() const;
    int LinesNum() const;
    int CharSize() const { return binhex::CharSizeOf(binhex::TViewMode(FMode)); }
    bool LoadFileSource(bool reopen);
    bool LoadStreamSource();
    void FreeData();
    // Resets the source, the page and the per-source state of the concerns (Scroll, Mouse,
    // TextModel); the properties, the display metrics and the scroll bars stay.
    void InitData();
    void AllocBuffer();
    void DetectUnicodeFmt();
    // Re-reads the size of the source; when it is smaller than FileSize, the control shows the
    // source as it now is: the selection is cut to it, the view clamped to its last page, the page
    // buffer re-read. True when the size was lowered.
    bool SourceShrank();
    // Reads the page buffer around pos, whether or not it covers pos already.
    void FillBuffer(TOffset pos);
    // Throws EAssertionFailed("Buffer position out of range: <routine>") when the buffer does not
    // hold pos.
    void CheckBufferHolds(TOffset pos, const char* routine) const;
    TByteOrder SourceByteOrder() const {
        return FileUnicodeFmt == vfUnicodeBE ? TByteOrder::BigEndian : TByteOrder::LittleEndian;
    }
    // vbmodeText and vbmodeUnicode, whose lines have variable widths.
    bool IsTextLikeMode() const { return binhex::IsTextLike(binhex::TViewMode(FMode)); }
    // Raises RedrawLock for its lifetime, also when an exception passes.
    class TRedrawLockHold {
    public:
        explicit TRedrawLockHold(int& lock) : Lock(lock) { ++Lock; }
        ~TRedrawLockHold() { --Lock; }
        TRedrawLockHold(const TRedrawLockHold&) = delete;
        TRedrawLockHold& operator=(const TRedrawLockHold&) = delete;

    private:
        int& Lock;
    };
    // True while Redraw draws (RedrawLock also counts a re-open after a change on disk).
    bool Drawing = false;
    // A resize that arrives while a page is drawn (the bars appearing or hiding) asks for one more.
    bool RedrawPending = false;

    // ---- Drawing (QXBinHexDraw.cpp; the glyph runs and the line shift in QXBinHexPageCache.cpp)

    TOffset ViewPos = 0;
    bool ViewAtEnd = false;
    TOffset ViewPageSize = 0;
    // Display metrics until the first drawing measures the font.
    int LineHeight = 8;
    int CharWidth = 4;
    bool FontMonospaced = false;
    int GutterWidth = 10;
    TStrPositions StrPositions;
    QImage PageBitmap{200, 150, QImage::Format_RGB32};
    using TPageCache = binhex::TPageCache;
    TPageCache PageCache;

    // The colours fixed at the start of a drawing.
    struct TDrawColors {
        QColor Back, HexBack, Text, Hex, Hex2, Lines, Error, Url, Hi;
    };
    // What one drawing works with: the painter on the target, its size, colours, font and records.
    class TPageCanvas {
    public:
        TPageCanvas(QImage& target, TStrPositions* positions)
            : Target(target), Positions(positions) {}
        // Opens the painter on the target once it has its size.
        void Begin();
        QPainter Painter;
        QImage& Target;
        // The page in the widget's pixels; the image itself has the device's.
        int Width() const { return Target.deviceIndependentSize().toSize().width(); }
        int Height() const { return Target.deviceIndependentSize().toSize().height(); }
        TStrPositions* Positions;
        TDrawColors Colors;
        QFont Font;
        int Ascent = 0;
        int LinesNum = 0;
        TQXBinHexOutputOptions Options;
        QPen SeparatorPen;
        // The lines of the page to draw (a shifted page draws only those it uncovers).
        int FirstLine = 0;
        int EndLine = binhex::MaxPageLines + 1;
        // The start of line FirstLine in the text layouts (-1: ViewPos).
        TOffset FirstPos = -1;
        bool GlyphRuns = false;
        int FontHeight = 0;
        // Where the text layouts note the lines drawn (none: not noted).
        binhex::TTextPageLines* TextLines = nullptr;
    };

    void Redraw();
    void DrawTo(QImage& target, int width, int height, TStrPositions* positions);
    TQXBinHexOutputOptions OutputOptions(bool lineEnd) const;
    int LeftMargin() const { return FTextGutter ? GutterWidth + 2 : 2; }
    QFont TextFont() const;
    // Chooses the drawing's quick paths (both on unless a caller says otherwise) and forgets the
    // page image drawn, so that the next drawing draws the whole page; the tests compare each
    // quick path with the plain one this way.
    void SetPagePaths(bool glyphRuns, bool lineShift) {
        PageCache.UseGlyphRuns = glyphRuns;
        PageCache.UseLineShift = lineShift;
        PageCache.Valid = false;
    }
    // The columns of a line of the fixed-width modes, as the next drawing lays them out.
    binhex::TLineLayout LineLayout() const;
    bool TextFontIsOem() const;
    // Characters that fit across the page: (page width − LeftMargin) div CharWidth, within 2..300.
    int WidthInChars() const;
    TColor TextFontColor() const;
    // The encoding of the one-byte modes' characters: TextEncoding, or ANSI for the UTF-16 ones.
    TQXEncoding OneByteEncoding() const {
        return FTextEncoding >= 0 ? FTextEncoding : EncodingANSI;
    }
    // The colour itself while the control is enabled, the system grey-text colour while disabled.
    TColor EnabledColor(TColor color) const;
    void PrepareBitmap(QImage& target, int width, int height);
    void DrawGutter(QPainter& canvas, int height);
    void FitWidths(int widthInChars);
    void DrawCellLines(TPageCanvas& page, const binhex::TLineLayout& layout);
    void DrawBinaryLines(TPageCanvas& page);
    // Sets an option of the page and redraws when it changed.
    template <typename T> void SetOption(T& field, T value) {
        if (value == field)
            return;
        field = value;
        PageCache.Valid = false;
        Redraw();
    }
    // Sets a fit flag; switching it off sets width to unfittedWidth (through the hex width rule).
    static void SetCellFit(bool& fit, bool v, int& width, int unfittedWidth);
    // Calls drawLine for each line of lineSize bytes from ViewPos that the page shows (one partial
    // line more than fit, none past the end), then draws the gutter and sets ViewAtEnd.
    void DrawFixedLines(TPageCanvas& page, int lineSize,
                        const std::function<void(TOffset linePos, int y)>& drawLine);
    void DrawTextLines(TPageCanvas& page);
    void DrawReadErrorPage(TPageCanvas& page);
    void DrawColumnText(TPageCanvas& page, const QString& str, int x, int y, TOffset startPos);
    void InvertSelection(TPageCanvas& page, const QString& str, int x, int y, bool withHighlights,
                         bool singleCell, TOffset startPos);
    void DrawHighlights(TPageCanvas& page, const QString& str, int x, int y, TOffset startPos);
    void DrawSeparators(TPageCanvas& page, int y, const binhex::TLineLayout& layout);
    QString ColumnText(TOffset linePos, int count, int step);
    void PaintViewport(const QRect& rect);
    void Resized();

    // ---- Glyph runs and the line shift (QXBinHexPageCache.cpp) ----

    TPageCache::TState PageState(const TPageCanvas& page) const;
    // Shifts the page image and StrPositions drawn at PageCache.ViewPos to ViewPos and draws the
    // lines that uncovers; false (nothing touched) when the page must be drawn whole.
    bool ShiftPage(TPageCanvas& page, const TPageCache::TState& state);
    void RememberPage(const TPageCanvas& page, const TPageCache::TState& state);
    // Lays out the digit glyphs of the page font; false when the cells must be drawn as strings.
    bool PrepareDigitGlyphs(const QFont& font);
    void DrawCellGlyphs(TPageCanvas& page, const binhex::TLineLayout& layout, TOffset linePos,
                        int y, int count);
    // Draws the prepared string as one glyph run when the page font has all its characters and none
    // of them is shaped with its neighbours; false (nothing drawn) otherwise.
    bool DrawSimpleGlyphs(TPageCanvas& page, const QString& prepared, int x, int y);
    // The digits of cells [from, to) of a line as glyph runs, in color, or in the cells' own
    // colours when color is null.
    void DrawCellRunGlyphs(TPageCanvas& page, const binhex::TLineLayout& layout, TOffset linePos,
                           int y, int from, int to, const QColor* color);

    // ---- The text layouts' glyph runs and line shift (QXBinHexTextShift.cpp) ----

    // Draws a text line as DrawOutputText does, as glyph runs when the page draws them; notes its
    // width and ink in page.TextLines.
    void DrawTextString(TPageCanvas& page, int x, int y, const TQXBinHexOutputOptions& options,
                        const QString& str);
    // The rightmost pixel the page's strings reach (TStrPositions::MaxExtent), from the widths
    // noted when the page was drawn when it can.
    int PageExtentMax() const;
    // True when no line of a text page can draw into its neighbours' bands but through its glyphs.
    bool TextLinesIndependent() const;
    // True when the buffer holds all that the lines starting from `from` to lastStart can read.
    bool TextRegionHeld(TOffset from, TOffset lastStart) const;
    // ShiftPage for the text layouts: the lines are matched by their starts.
    bool ShiftTextPage(TPageCanvas& page, const TPageCache::TState& state);
    // Keeps the strings of the record and whether the lines were read whole.
    void RememberTextPage();

    // ---- Scrolling, keyboard, wheel and auto-scroll (QXBinHexScroll.cpp) ----

    int HViewPos = 0;
    binhex::TScrollBarState ScrollBars;
    binhex::TScrollState Scroll;
    QTimer DragScrollTimer;
    QTimer AutoScrollTimer;
    static constexpr int HorzLineStep = 200;
    // Cursor ids of the auto-scroll directions; CursorById also knows crIBeam and crHandPoint.
    static constexpr int crIBeam = -4;
    static constexpr int crHandPoint = -21;
    static constexpr int crMoveCenter = -30;
    static constexpr int crMoveUp = -31;
    static constexpr int crMoveDown = -32;
    static constexpr int crMoveLeft = -33;
    static constexpr int crMoveRight = -34;
    static QCursor CursorById(int id);
    // The auto-scroll mark drawn around the middle-button press point.
    static const QPixmap& MoveBitmap();

    void SetViewPos(TOffset pos, bool redraw);
    void ScrollUpBytes(TOffset n);
    void ScrollDownBytes(TOffset n);
    void ScrollLineUp(int n);
    void ScrollLineDown(int n);
    void ScrollPageUp();
    void ScrollPageDown();
    void ScrollToBegin();
    void ScrollToEnd();
    // ScrollToEnd, and once more when the end is still not on the page after it.
    void ScrollToEndRepeat();
    void GoToPos(TOffset pos);
    void SetHorzPos(int x, bool redraw);
    void ScrollLeft(int px);
    void ScrollRight(int px);
    void UpdateVertScrollBar();
    void UpdateHorzScrollBar();
    void SetAutoScrollMode(bool on);
    bool FontSizeStep(bool larger);
    int ClientWidth() const;
    int ClientHeight() const;
    void VScroll(int code, int pos);
    void HScroll(int code, int pos);
    void AutoScrollStep(QPoint client);
    void DragScrollStep(int clientY);
    // The top position at which the last line is the page's bottom line (fixed layouts).
    TOffset PosLastPage() const;
    int HViewPosMax() const;
    // Moves n display lines from `from` in the text modes; forward is down.
    void TextLinesMove(int n, bool forward, bool redraw, bool start, TOffset from);
    int TextExtentMax() const;
    using TScrollInfo = binhex::TScrollInfo;
    void SetScrollBar(QScrollBar* bar, const TScrollInfo& info);
    void ScrollBarAction(Qt::Orientation orientation, int action);
    bool HandleScrollKey(QKeyEvent* event);
    bool HandleAutoScrollPress(QMouseEvent* event);
    void AutoScrollTimerTick();
    void DragScrollTimerTick();
    void WheelTurned(QWheelEvent* event);

    // ---- Selection, clipboard and context menu (QXBinHexSelect.cpp) ----

    TOffset MarkStart = 0;
    TOffset MarkLength = 0;
    binhex::TMouseSelection Mouse;
    QMenu* ViewerPopupMenu = nullptr;
    // Delimiters of line and word selection.
    static const QString LineDelimiters;
    static const QString WordDelimiters;

    void SetSelection(TOffset start, TOffset length, bool scroll, bool fireEvent, bool redraw);
    void SelectAll();
    void SelectNone(bool fireEvent);
    QByteArray SelText(int maxLen);
    QString SelTextW();
    void CopyToClipboard(bool asHex);
    void CopyLink();
    void SelectLine();
    void EncodingMenu(QPoint screenPos);
    void ScrollToPos(TOffset pos, int indentLines, int indentChars, bool redrawHorz);
    QString TextAround(TOffset pos);
    // The code page or byte order menu as it is when it opens (built on first use, refreshed).
    QMenu* PrepareEncodingMenu();
    // Recomputes the context menu's visible and enabled items.
    void UpdatePopupMenu();
    QAction* PopupItem(TQXPopupCommand command) const;
    // The selection's part of the keys, the mouse press and the drag.
    bool HandleSelectionKey(QKeyEvent* event);
    // How a client point is hit-tested: Near takes the nearest character of the line under it,
    // Strict only a character drawn under the point.
    enum class THitTest { Near, Strict };
    // The offset under a client point in the last drawing's record (-1 for none).
    TOffset PosAtPoint(QPoint client, THitTest mode) const;
    void HandleSelectionPress(QMouseEvent* event);
    void MousePressed(QMouseEvent* event);
    void MouseDoubleClicked(QMouseEvent* event);
    void MouseMoved(QMouseEvent* event);
    void MouseReleased(QMouseEvent* event);
    // Extends a dragged selection from the press offset to the offset under a client point.
    void ExtendSelectionTo(QPoint client);
    // Selects the run of characters around pos up to the delimiters (pos itself always included).
    void SelectAround(const QString& delims, TOffset pos);
    // The last character before a delimiter from pos in the direction, within the page buffer and
    // at most 8192 characters away.
    TOffset ExtendToDelimiter(const QString& delims, bool forward, TOffset pos);
    // CopyToClipboard's text placed in the clipboard of the kind.
    void CopySelection(bool asHex, platform::ClipboardKind kind);
    void ShowPopupMenu(QPoint client, QPoint global);
    void ChooseCodepage(int encoding);
    void ChooseByteOrder(TFileUnicodeFmt format);

    // ---- Text modes: the line model, line numbers and URLs (QXBinHexText.cpp) ----

    binhex::TTextLineModel TextModel;
    TOffset FindLineStart(TOffset pos, bool forward, bool start, TLineChars* line = nullptr);
    // True when pos starts a text line: nothing precedes it in the buffer and the data, or a line
    // break does.
    bool StartsTextLine(TOffset pos);
    // Line numbers are shown in a text mode with TextGutter and TextGutterLines on, unless the
    // extension filter is on and the source is not a file with a listed extension.
    bool LineNumbersShown() const;
    // The number of the text line starting at pos: 1 at 0, from the line table beyond; 0 when pos
    // is not a line start the table knows.
    int LineNumber(TOffset pos) const;
    // The URL covering pos; empty when none does.
    QByteArray UrlAt(TOffset pos) const;
    // Reports the URL at pos through OnClickURL and urlClicked; a bare e-mail address (no "://",
    // no leading "www.") gets "mailto:" in front.
    void ClickUrl(TOffset pos);
    bool InBufferAndData(TOffset pos) const;
    // GetChar, and 0 outside the buffer and the data.
    char16_t LineCharAt(TOffset pos);
    QString LineToUnicode(const QString& chars) const;
    void SkipBackOverCRLF(TOffset& pos);
    bool StepToLineStart(TOffset& pos);
    // Reads the characters of a line from pos forward up to the next line break, or backward from
    // pos (included) down to the previous one, collected in the order read; at most MaxLength and
    // only within the page buffer and the data. With TextWrap on, a line wider than the page is cut
    // after the last space, tab or backslash that fits (or at the fit). Nothing for pos < 0 or pos
    // outside the buffer; going backward, pos past the last character counts as the last character.
    TLineChars ReadLineChars(bool forward, TOffset pos);
    // The position (1-based) where a line of str cut after k fitting characters ends: the last
    // space, tab or backslash from position k + 1 (at most the length) down to 1, else k.
    static int WrapPoint(const QString& str, int k);
    // True when a line break follows the length source characters of the line at pos.
    bool EndsWithBreak(TOffset pos, int length);
    // Rebuilds the line table from the first byteCount bytes of the source (read afresh); false,
    // with an empty table, when the read fails.
    bool BuildLineTable(int byteCount);
    // Fills the URL table from the page buffer, around pos when the buffer holds more than fit.
    void DetectUrls(TOffset pos);
    // The links of the URL table as (offset, length in characters), in offset order.
    std::vector<std::pair<TOffset, int64_t>> UrlRanges() const;
    void ClearUrls();
    void DrawGutterCell(TPageCanvas& page, int y, TOffset linePos, bool startsLine);

    // ---- Search (QXBinHexSearch.cpp) ----

    // Matches of the remembered search painted on the page (offset, length in characters), at
    // most MaxSearchHighlights; refilled by FindHighlights before every drawing of a page with
    // data.
    struct THighlight {
        TOffset HiStart = 0;
        int64_t HiLength = 0;
    };
    static constexpr int MaxSearchHighlights = 1000;
    std::vector<THighlight> SearchHighlights;
    std::unique_ptr<TQXStreamSearch> FSearch;
    std::unique_ptr<TQXStreamSearch> PageSearch;
    void FindHighlights();
    bool FindText(const QString& text, TQXEncoding encoding, TQXSearchOptions options);
    bool FindTextNext(bool previous);
    // Gives Search the viewer's source unless it already has it.
    void AttachSearchSource();
    bool SelectFound(bool found);

    // ---- Marks: the control's operations, their drawing and tool tips (QXBinHexMarkView.cpp) ----

    binhex::TMarkSet Marks;
    // A change of marks posts one redraw, however many changes follow before it runs.
    bool MarksRedrawPosted = false;
    // The marked runs of the line being drawn.
    std::vector<binhex::TMarkSet::TRun> MarkRuns;
    // Asks for the redraw and emits marksChanged.
    void MarksChanged();
    // Draws the marked cells of a hex line over the cells drawn: each run of cells on its mark's
    // back colour, its digits in the mark's text colour or in the cells' own. Leaves the runs of
    // the line in MarkRuns; false when the line has none.
    bool DrawMarkedCells(TPageCanvas& page, const binhex::TLineLayout& layout, TOffset linePos,
                         int y, int count);
    // Draws the marked characters of a string drawn at (x, y) over it, each run on its mark's back
    // colour in the mark's text colour or the page's.
    void DrawMarkedChars(TPageCanvas& page, const QString& str, int x, int y, TOffset startPos);
    // Shows the hint of the mark drawn under the point of a tool tip event; false (the event
    // ignored, no tip) where there is none.
    bool ShowMarkTip(QHelpEvent* event);

    // ---- Automatic reload (QXBinHexReload.cpp) ----

    std::unique_ptr<TQXFileNotification> FileNotification;
    std::unique_ptr<TQXFileNotificationSimple> FileNotificationSimple;
    void SetAutoReload(bool value);
    void DoFileReload();
    // A watcher's change re-opens the file keeping position and selection (or following its end),
    // or empties the control when the file is gone; ignored during a mouse selection, and only
    // reported while a page is drawn.
    void HandleFileChange(QObject* sender);
    TQXFileNotification& FileNotificationWatcher() const { return *FileNotification; }
    void InitWatchers();
    void StopWatching();
    void StartWatching();

    // ---- Properties ----

    void SetMode(TQXBinHexMode mode);
    void SetTextEncoding(int encoding);
    void SetTextWrap(bool v);
    void SetTextUrlHilight(bool v);

    int FTextLineSpacing = 0;
    bool FTextEnableSel = true;
    QFont FFontOEM;
    QFont FFontFooter;
    QFont FFontGutter;
    TQXBinHexMode FMode = vbmodeText;
    int FTextEncoding = 0;
    int FTextWidth = 80;
    int FTextWidthHex = TQXBinHex::DefaultTextWidthHex;
    int FTextWidthUHex = TQXBinHex::DefaultTextWidthUHex;
    bool FTextWidthFit = false;
    bool FTextWidthFitHex = false;
    bool FTextWidthFitUHex = false;
    bool FTextWrap = false;
    bool FTextNonPrintable = false;
    bool FTextOemSpecial = false;
    bool FTextUrlHilight = true;
    bool FTextGutter = false;
    bool FTextGutterLines = true;
    int FTextGutterLinesStep = 5;
    int FTextGutterLinesCount = 2000;
    int FTextGutterLinesBufSize = 307200;
    bool FTextGutterLinesExtUse = false;
    QString FTextGutterLinesExtList;
    uint FTextColorHex = 0x800000;
    uint FTextColorHex2 = 0xFF0000;
    uint FTextColorHexBack = 0xECECEC;
    uint FTextColorLines = 0x808080;
    uint FTextColorError = 0x0000FF;
    uint FTextColorGutter = 0xC0C0C0;
    uint FTextColorURL = 0xFF0000;
    uint FTextColorHi = 0x00FFFF;
    int FTextSearchIndentVert = 5;
    int FTextSearchIndentHorz = 5;
    int FTextTabSize = 8;
    TQXPopupCommands FTextPopupCommands = TQXPopupCommands(
        vpCmdCopy | vpCmdCopyHex | vpCmdCopyLink | vpCmdSelectLine | vpCmdSelectAll | vpCmdEncMenu);
    bool FAutoReload = false;
    bool FAutoReloadBeep = false;
    bool FAutoReloadFollowTail = true;
    bool FAutoReloadSimple = false;
    int FAutoReloadSimpleTime = 1000;
    uint FColor = platform::clWindow;
    uint FFontColor = platform::clWindowText;
    uint FFontOEMColor = platform::clWindowText;
    uint FFontGutterColor = platform::clBlack;
    uint FFontFooterColor = platform::clBlack;

    // ---- Pages recorded at once and drawn at the next paint (QXBinHexRecord.cpp) ----

    // Set while a scroll key is handled: a Redraw of a fixed-width page then records the page
    // (StrPositions, ViewAtEnd, ViewPageSize, the bars) and leaves the page image to the next
    // paint, so that keys arriving faster than pages draw only the pages shown.
    bool RecordOnly = false;
    // The page image lags the record; PaintedPositions is the record of the page it shows.
    bool PageStale = false;
    TStrPositions PaintedPositions;
    // Drawings of the page image (whole or shifted).
    int PagesDrawn = 0;
    // The metrics of the last font a page was recorded with, and whether it was the OEM font.
    QString RecordedFontKey;
    bool RecordedFontOem = false;
    TFontMetricsInfo RecordedFontMetrics;

    // Redraw's path while RecordOnly is set: records the page, updates the bars and asks for a
    // paint; false (nothing done) when the page must be drawn now: a text layout, a read error,
    // an empty source, or a drawing already under way.
    bool RecordInsteadOfDrawing();
    // Makes the record calls DrawTo makes for a page of the fixed-width layouts width × height
    // pixels, and sets ViewAtEnd, ViewPageSize, the display metrics and the fitted widths as it
    // does, without drawing anything.
    void RecordFixedPage(TStrPositions& record, int width, int height);
    // Called as Redraw starts drawing the page image: a stale image gets its own record back, so
    // that the line shift moves the page it shows.
    void PageDrawingStarts();
    // Draws the page image when it lags the record.
    void UpdatePage();
};
