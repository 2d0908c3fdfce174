// QXBinHex.h — TQXBinHex, a control that pages through a file or stream of any size as a hex dump,
// text, binary lines or UTF-16 text.
#pragma once

#include "QXBinHexLayout.h"
#include "QXBinHexOutput.h"
#include "QXBinHexPageCache.h"
#include "QXBinHexScrollState.h"
#include "QXBinHexSelectState.h"
#include "QXBinHexTextState.h"
#include "QXFileNotification.h"
#include "QXFileNotificationSimple.h"
#include "QXStrPositions.h"
#include "QXStreamSearch.h"
#include "QXxFProc.h"
#include "QXxSProc.h"
#include "SysColors.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QRawFont>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QContextMenuEvent;
class QIODevice;
class QMenu;
class QKeyEvent;
class QMouseEvent;
class QScrollBar;
class QPainter;
namespace platform {
enum class ClipboardKind;
}

using TColor = platform::TColor;

class TQXBinHex : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum TQXBinHexMode {
        vbmodeText = binhex::ModeText,
        vbmodeBinary = binhex::ModeBinary,
        vbmodeHex = binhex::ModeHex,
        vbmodeUnicode = binhex::ModeUnicode,
        vbmodeUHex = binhex::ModeUHex
    };
    Q_ENUM(TQXBinHexMode)

    enum TQXPopupCommand {
        vpCmdCopy = 0x01,
        vpCmdCopyHex = 0x02,
        vpCmdCopyLink = 0x04,
        vpCmdSelectLine = 0x08,
        vpCmdSelectAll = 0x10,
        vpCmdEncMenu = 0x20
    };
    Q_DECLARE_FLAGS(TQXPopupCommands, TQXPopupCommand)
    Q_FLAG(TQXPopupCommands)

    enum TFileSourceType { vfSrcNone, vfSrcFile, vfSrcStream };
    enum TFileUnicodeFmt { vfUnicodeUnknown, vfUnicodeLE, vfUnicodeBE };

    Q_PROPERTY(int TextLineSpacing READ TextLineSpacing WRITE setTextLineSpacing)
    Q_PROPERTY(bool TextEnableSel READ TextEnableSel WRITE setTextEnableSel)
    Q_PROPERTY(QFont FontOEM READ FontOEM WRITE setFontOEM)
    Q_PROPERTY(QFont FontFooter READ FontFooter WRITE setFontFooter)
    Q_PROPERTY(QFont FontGutter READ FontGutter WRITE setFontGutter)
    Q_PROPERTY(TQXBinHexMode Mode READ Mode WRITE setMode)
    Q_PROPERTY(int TextEncoding READ TextEncoding WRITE setTextEncoding)
    Q_PROPERTY(int TextWidth READ TextWidth WRITE setTextWidth)
    Q_PROPERTY(int TextWidthHex READ TextWidthHex WRITE setTextWidthHex)
    Q_PROPERTY(int TextWidthUHex READ TextWidthUHex WRITE setTextWidthUHex)
    Q_PROPERTY(bool TextWidthFit READ TextWidthFit WRITE setTextWidthFit)
    Q_PROPERTY(bool TextWidthFitHex READ TextWidthFitHex WRITE setTextWidthFitHex)
    Q_PROPERTY(bool TextWidthFitUHex READ TextWidthFitUHex WRITE setTextWidthFitUHex)
    Q_PROPERTY(bool TextWrap READ TextWrap WRITE setTextWrap)
    Q_PROPERTY(bool TextNonPrintable READ TextNonPrintable WRITE setTextNonPrintable)
    Q_PROPERTY(bool TextOemSpecial READ TextOemSpecial WRITE setTextOemSpecial)
    Q_PROPERTY(bool TextUrlHilight READ TextUrlHilight WRITE setTextUrlHilight)
    Q_PROPERTY(bool TextGutter READ TextGutter WRITE setTextGutter)
    Q_PROPERTY(bool TextGutterLines READ TextGutterLines WRITE setTextGutterLines)
    Q_PROPERTY(int TextGutterLinesStep READ TextGutterLinesStep WRITE setTextGutterLinesStep)
    Q_PROPERTY(int TextGutterLinesCount READ TextGutterLinesCount WRITE setTextGutterLinesCount
                   STORED false)
    Q_PROPERTY(int TextGutterLinesBufSize READ TextGutterLinesBufSize WRITE
                   setTextGutterLinesBufSize STORED false)
    Q_PROPERTY(bool TextGutterLinesExtUse READ TextGutterLinesExtUse WRITE setTextGutterLinesExtUse)
    Q_PROPERTY(
        QString TextGutterLinesExtList READ TextGutterLinesExtList WRITE setTextGutterLinesExtList)
    Q_PROPERTY(uint TextColorHex READ TextColorHex WRITE setTextColorHex)
    Q_PROPERTY(uint TextColorHex2 READ TextColorHex2 WRITE setTextColorHex2)
    Q_PROPERTY(uint TextColorHexBack READ TextColorHexBack WRITE setTextColorHexBack)
    Q_PROPERTY(uint TextColorLines READ TextColorLines WRITE setTextColorLines)
    Q_PROPERTY(uint TextColorError READ TextColorError WRITE setTextColorError)
    Q_PROPERTY(uint TextColorGutter READ TextColorGutter WRITE setTextColorGutter)
    Q_PROPERTY(uint TextColorURL READ TextColorURL WRITE setTextColorURL)
    Q_PROPERTY(uint TextColorHi READ TextColorHi WRITE setTextColorHi)
    Q_PROPERTY(int TextSearchIndentVert READ TextSearchIndentVert WRITE setTextSearchIndentVert)
    Q_PROPERTY(int TextSearchIndentHorz READ TextSearchIndentHorz WRITE setTextSearchIndentHorz)
    Q_PROPERTY(int TextTabSize READ TextTabSize WRITE setTextTabSize)
    Q_PROPERTY(TQXPopupCommands TextPopupCommands READ TextPopupCommands WRITE setTextPopupCommands)
    Q_PROPERTY(bool AutoReload READ AutoReload WRITE setAutoReload)
    Q_PROPERTY(bool AutoReloadBeep READ AutoReloadBeep WRITE setAutoReloadBeep)
    Q_PROPERTY(bool AutoReloadFollowTail READ AutoReloadFollowTail WRITE setAutoReloadFollowTail)
    Q_PROPERTY(bool AutoReloadSimple READ AutoReloadSimple WRITE setAutoReloadSimple)
    Q_PROPERTY(int AutoReloadSimpleTime READ AutoReloadSimpleTime WRITE setAutoReloadSimpleTime)
    // The inherited panel properties the control draws with.
    Q_PROPERTY(uint Color READ Color WRITE setColor)
    Q_PROPERTY(uint FontColor READ FontColor WRITE setFontColor)
    // Colours of the held fonts (a font value carries none).
    Q_PROPERTY(uint FontOEMColor READ FontOEMColor WRITE setFontOEMColor)
    Q_PROPERTY(uint FontGutterColor READ FontGutterColor WRITE setFontGutterColor)
    Q_PROPERTY(uint FontFooterColor READ FontFooterColor WRITE setFontFooterColor)

public:
    using TNotifyEvent = std::function<void(QObject* ASender)>;
    using TQXBinHexDrawLine = std::function<void(
        QObject* ASender, QPainter* ACanvas, const QString& AStr, const QString& AStrAll,
        const QRect& ARect, const QPoint& ATextPnt, bool& ADone)>;
    using TQXBinHexDrawLine2 =
        std::function<void(QObject* ASender, QPainter* ACanvas, const QString& AStr,
                           const QPoint& APnt, const TQXBinHexOutputOptions& AOptions)>;
    using TQXBinHexClickURL = std::function<void(QObject* ASender, const QByteArray& AString)>;

    explicit TQXBinHex(QWidget* parent = nullptr);
    ~TQXBinHex() override;

    // Events: assign a callable; each is called only when assigned.
    TNotifyEvent OnFileReload;
    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnOptionsChange;
    TNotifyEvent OnScroll;
    TQXBinHexDrawLine OnDrawLine;
    // Called after the control drew a text line: the line prepared without the line-end glyph, its
    // point (shifted by HViewPos) and the options it was drawn with.
    TQXBinHexDrawLine2 OnDrawLine2;
    TQXBinHexClickURL OnClickURL;
    // The progress event of Search.
    TQXStreamSearchProgress OnSearchProgress() const;
    void setOnSearchProgress(TQXStreamSearchProgress handler);

    // ---- Source and page buffer (QXBinHex.cpp) ----

    // Makes the named file the source and shows its first page. A name equal (case-sensitively) to
    // the file currently open does nothing and returns true; an empty name closes the source. A
    // file that cannot be opened is reported in a box and leaves the control empty (false).
    bool Open(const QString& name, bool redraw);
    // Makes the caller's seekable stream the source (not owned; it must stay alive and open for
    // reading until the control gets another source). The stream already set does nothing; none
    // closes the source when a stream was set.
    bool OpenStream(QIODevice* stream, bool redraw);

    // Rebuilds the page image and the scroll bars and repaints.
    void Redraw();

    // Reads count bytes at offset directly from the source into block (zero-filled first); a read
    // at or past the end succeeds with fewer bytes. Throws EAssertionFailed without a block or
    // source.
    bool ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset);
    // Moves the page buffer so that it covers pos (asking to retry when the read fails). A read
    // that brings fewer bytes than the source was believed to hold makes the control take the
    // source's size anew (SourceShrank).
    void ReadBuffer(TOffset pos);
    // The character at pos from the page buffer, with non-printable codes turned into ".".
    char16_t GetChar(TOffset pos);
    // Two (one-byte modes) or four (two-byte modes, the byte at pos + 1 first) hex digits at pos.
    QString GetHex(TOffset pos);

    bool SourceAssigned() const;
    bool IsFileEmpty() const { return FileSize < CharSize(); }
    TOffset PosLast() const { return LastCharPos(FileSize, CharSize()); }
    int LineSize() const;
    int LinesNum() const;
    // Bytes per character: 2 in the UTF-16 modes, 1 in the others.
    int CharSize() const { return binhex::CharSizeOf(binhex::TViewMode(FMode)); }

    // The source and the page as the control last left them; callers read them, the control alone
    // writes them.
    QString FileName;
    TOffset FileSize = 0;
    TFileSourceType FileSourceType = vfSrcNone;
    QIODevice* Stream = nullptr;
    // The page buffer holds the source from BufferPos on, 2 × BufMaxOffset bytes around the page.
    TOffset BufferPos = 0;
    int BufMaxOffset = 0;
    bool BufferOK = true;
    TFileUnicodeFmt FileUnicodeFmt = vfUnicodeUnknown;
    TOffset ViewPos = 0;
    int HViewPos = 0;
    bool ViewAtEnd = false;
    TOffset ViewPageSize = 0;
    TOffset MarkStart = 0;
    TOffset MarkLength = 0;
    int HexOffsetLen = 8;
    // Display metrics until the first drawing measures the font.
    int LineHeight = 8;
    int CharWidth = 4;

    // ---- Drawing (QXBinHexDraw.cpp) ----

    // Draws the page from ViewPos into target at the given size and records what went where in
    // positions (when given). Sets ViewAtEnd, ViewPageSize and the fitted widths. Throws
    // EAssertionFailed("Positions out of range: DrawTo...") when the view lies outside the buffer.
    void DrawTo(QImage& target, int width, int height, TStrPositions* positions);
    const QImage& PageImage() const { return PageBitmap; }
    // What the last drawing put where.
    TStrPositions StrPositions;
    TQXBinHexOutputOptions OutputOptions(bool lineEnd) const;
    int LeftMargin() const { return FTextGutter ? GutterWidth + 2 : 2; }
    // The font the page is drawn with: the OEM font in the one-byte modes when the OEM encoding and
    // TextOemSpecial are chosen, the control's font otherwise.
    QFont TextFont() const;

    // ---- Scrolling, keyboard, wheel and auto-scroll (QXBinHexScroll.cpp) ----

    // Moves the top of the page to pos (ignored when negative or unchanged), clamped to PosLast and
    // aligned down to a line (a character in the text modes); the buffer follows.
    void SetViewPos(TOffset pos, bool redraw);
    void ScrollUpBytes(TOffset n);
    void ScrollDownBytes(TOffset n);
    void ScrollLineUp(int n);
    void ScrollLineDown(int n);
    void ScrollPageUp();
    void ScrollPageDown();
    void ScrollToBegin();
    void ScrollToEnd();
    // Puts pos on the page: the start or the end for positions beyond either, the text line holding
    // pos at the top in the text modes, the line of pos at the top in the fixed layouts.
    void GoToPos(TOffset pos);
    void SetHorzPos(int x, bool redraw);
    void ScrollLeft(int px);
    void ScrollRight(int px);
    void UpdateVertScrollBar();
    void UpdateHorzScrollBar();
    void SetAutoScrollMode(bool on);
    // Makes the text font one visible step larger or smaller; false when it cannot change.
    bool FontSizeStep(bool larger);
    int ClientWidth() const { return viewport()->width(); }
    int ClientHeight() const { return viewport()->height(); }

    // Scroll-bar codes of the vertical and horizontal bar actions.
    enum TScrollCode {
        SB_LINEUP = 0,
        SB_LINEDOWN = 1,
        SB_PAGEUP = 2,
        SB_PAGEDOWN = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_TOP = 6,
        SB_BOTTOM = 7,
        SB_ENDSCROLL = 8
    };
    // The scroll-bar messages: code is one of TScrollCode, pos the 16-bit thumb position.
    void VScroll(int code, int pos);
    void HScroll(int code, int pos);
    // One auto-scroll step for the pointer at a client point (the timer passes the mouse position).
    void AutoScrollStep(QPoint client);
    // One drag-scroll step towards the side a selecting drag left, with the pointer at client y.
    void DragScrollStep(int clientY);

    // ---- Selection, clipboard and context menu (QXBinHexSelect.cpp) ----

    // Selects length bytes from start (both even in the two-byte modes, the length lowered to the
    // data's end). Invalid arguments are ignored; with TextEnableSel off only the length is
    // cleared.
    void SetSelection(TOffset start, TOffset length, bool scroll, bool fireEvent, bool redraw);
    void SelectAll();
    void SelectNone(bool fireEvent);
    // The selected bytes read from the source (at most maxLen, or SelTextLimitMb MiB when maxLen is
    // 0); a failed read is reported in a box and gives nothing.
    QByteArray SelText(int maxLen);
    // The selection as UTF-16 in the two-byte modes; EAssertionFailed in the others.
    QString SelTextW();
    // Copies the selection as text in the character column's code page (and as UTF-16), or as hex.
    void CopyToClipboard(bool asHex);
    // Copies the link under the point where the context menu was asked for.
    void CopyLink();
    // Selects the line under the point where the context menu was asked for.
    void SelectLine();
    // Shows the code page menu (or, in the two-byte modes, the byte order menu) at a screen point.
    void EncodingMenu(QPoint screenPos);
    // Brings pos onto the page indentLines lines below the top, and horizontally into view with
    // indentChars characters to its left.
    void ScrollToPos(TOffset pos, int indentLines, int indentChars, bool redrawHorz);
    // The text of the line that holds pos (between line breaks), from the page buffer.
    QString TextAround(TOffset pos);

    // ---- Text modes (QXBinHexText.cpp) ----

    // A display line read from the page buffer: Count source characters taken (the next display
    // line starts after them); Str the characters shown, converted to UTF-16; Length the source
    // characters that Str stands for (Count less a blank dropped where the line wraps).
    struct TLineChars {
        int Count = 0;
        int Length = 0;
        QString Str;
    };
    // The start of the display line after the one at pos (forward) or of the one before it; with
    // start set, a position at a line start stays there going backward. A position on the LF of a
    // CR LF counts as the CR; going backward, one past the last character counts as the last one.
    // -1 when there is none within the page buffer and the data. Forward, line (when given)
    // receives the characters of the display line at pos.
    TOffset FindLineStart(TOffset pos, bool forward, bool start, TLineChars* line = nullptr);

    // ---- Search (QXBinHexSearch.cpp) ----

    // The engine through which searches in the viewer's source run. The caller gives it the source
    // (SetFileName(FileName) or SetStream(Stream)) and runs FindFirst/FindNext; the viewer paints
    // the remembered search's matches when it has soHighlightAll. Closing a file source frees the
    // engine's file and keeps the remembered search; closing a stream source forgets it.
    TQXStreamSearch& Search() const { return *FSearch; }
    // Scans the page and a margin around it for the remembered search's matches.
    void FindHighlights();
    // Searches the viewer's own source for text, from the end of the selection (or the top of the
    // page when nothing is selected) in the direction of the options, and selects a match with
    // scrolling. A read failure is reported in a box. True when found.
    bool FindText(const QString& text, TQXEncoding encoding, TQXSearchOptions options);
    // Continues the last FindText (the other way when previous); true when found.
    bool FindTextNext(bool previous);

    // ---- Automatic reload (QXBinHexReload.cpp) ----

    // Switches watching the file named by FileName on or off (whatever the current source), with
    // the watcher AutoReloadSimple selects.
    void SetAutoReload(bool value);
    // Reports a reload through OnFileReload.
    void DoFileReload();

    // Property access.
    int TextLineSpacing() const { return FTextLineSpacing; }
    void setTextLineSpacing(int v) { FTextLineSpacing = v; }
    bool TextEnableSel() const { return FTextEnableSel; }
    void setTextEnableSel(bool v) { FTextEnableSel = v; }
    QFont FontOEM() const { return FFontOEM; }
    void setFontOEM(const QFont& f) { FFontOEM = f; }
    QFont FontFooter() const { return FFontFooter; }
    void setFontFooter(const QFont& f) { FFontFooter = f; }
    QFont FontGutter() const { return FFontGutter; }
    void setFontGutter(const QFont& f) { FFontGutter = f; }
    TQXBinHexMode Mode() const { return FMode; }
    void setMode(TQXBinHexMode mode);
    int TextEncoding() const { return FTextEncoding; }
    // Takes -2 and -1 (UTF-16 BE and LE) or a row of CodepageList; anything else is ignored and the
    // previous encoding stays.
    void setTextEncoding(int encoding);
    int TextWidth() const { return FTextWidth; }
    void setTextWidth(int v) { FTextWidth = binhex::ClampTextWidth(v); }
    int TextWidthHex() const { return FTextWidthHex; }
    void setTextWidthHex(int v) { FTextWidthHex = binhex::ClampHexWidth(v); }
    int TextWidthUHex() const { return FTextWidthUHex; }
    void setTextWidthUHex(int v) { FTextWidthUHex = binhex::ClampHexWidth(v); }
    bool TextWidthFit() const { return FTextWidthFit; }
    void setTextWidthFit(bool v) { FTextWidthFit = v; }
    bool TextWidthFitHex() const { return FTextWidthFitHex; }
    void setTextWidthFitHex(bool v);
    // Cells per line of the hex and 16-bit hex modes while they are not fitted to the page.
    static constexpr int DefaultTextWidthHex = 16;
    static constexpr int DefaultTextWidthUHex = 8;
    bool TextWidthFitUHex() const { return FTextWidthFitUHex; }
    void setTextWidthFitUHex(bool v);
    bool TextWrap() const { return FTextWrap; }
    void setTextWrap(bool v);
    bool TextNonPrintable() const { return FTextNonPrintable; }
    void setTextNonPrintable(bool v);
    bool TextOemSpecial() const { return FTextOemSpecial; }
    void setTextOemSpecial(bool v);
    bool TextUrlHilight() const { return FTextUrlHilight; }
    void setTextUrlHilight(bool v);
    bool TextGutter() const { return FTextGutter; }
    void setTextGutter(bool v) { FTextGutter = v; }
    bool TextGutterLines() const { return FTextGutterLines; }
    void setTextGutterLines(bool v) { FTextGutterLines = v; }
    int TextGutterLinesStep() const { return FTextGutterLinesStep; }
    void setTextGutterLinesStep(int v) { FTextGutterLinesStep = binhex::ClampInt(v, 1, 10); }
    int TextGutterLinesCount() const { return FTextGutterLinesCount; }
    void setTextGutterLinesCount(int v) { FTextGutterLinesCount = binhex::ClampInt(v, 10, 100000); }
    int TextGutterLinesBufSize() const { return FTextGutterLinesBufSize; }
    void setTextGutterLinesBufSize(int v) {
        FTextGutterLinesBufSize = binhex::ClampInt(v, 1024, 20971520);
    }
    bool TextGutterLinesExtUse() const { return FTextGutterLinesExtUse; }
    void setTextGutterLinesExtUse(bool v) { FTextGutterLinesExtUse = v; }
    QString TextGutterLinesExtList() const { return FTextGutterLinesExtList; }
    void setTextGutterLinesExtList(const QString& v) { FTextGutterLinesExtList = v; }
    uint TextColorHex() const { return FTextColorHex; }
    void setTextColorHex(uint v) { FTextColorHex = v; }
    uint TextColorHex2() const { return FTextColorHex2; }
    void setTextColorHex2(uint v) { FTextColorHex2 = v; }
    uint TextColorHexBack() const { return FTextColorHexBack; }
    void setTextColorHexBack(uint v) { FTextColorHexBack = v; }
    uint TextColorLines() const { return FTextColorLines; }
    void setTextColorLines(uint v) { FTextColorLines = v; }
    uint TextColorError() const { return FTextColorError; }
    void setTextColorError(uint v) { FTextColorError = v; }
    uint TextColorGutter() const { return FTextColorGutter; }
    void setTextColorGutter(uint v) { FTextColorGutter = v; }
    uint TextColorURL() const { return FTextColorURL; }
    void setTextColorURL(uint v) { FTextColorURL = v; }
    uint TextColorHi() const { return FTextColorHi; }
    void setTextColorHi(uint v) { FTextColorHi = v; }
    int TextSearchIndentVert() const { return FTextSearchIndentVert; }
    void setTextSearchIndentVert(int v) { FTextSearchIndentVert = binhex::ClampInt(v, 0, 80); }
    int TextSearchIndentHorz() const { return FTextSearchIndentHorz; }
    void setTextSearchIndentHorz(int v) { FTextSearchIndentHorz = binhex::ClampInt(v, 0, 80); }
    int TextTabSize() const { return FTextTabSize; }
    void setTextTabSize(int v) { FTextTabSize = binhex::ClampInt(v, 2, 16); }
    TQXPopupCommands TextPopupCommands() const { return FTextPopupCommands; }
    void setTextPopupCommands(TQXPopupCommands v) { FTextPopupCommands = v; }
    bool AutoReload() const { return FAutoReload; }
    void setAutoReload(bool v) { SetAutoReload(v); }
    bool AutoReloadBeep() const { return FAutoReloadBeep; }
    void setAutoReloadBeep(bool v) { FAutoReloadBeep = v; }
    bool AutoReloadFollowTail() const { return FAutoReloadFollowTail; }
    void setAutoReloadFollowTail(bool v) { FAutoReloadFollowTail = v; }
    bool AutoReloadSimple() const { return FAutoReloadSimple; }
    void setAutoReloadSimple(bool v) { FAutoReloadSimple = v; }
    int AutoReloadSimpleTime() const { return FAutoReloadSimpleTime; }
    void setAutoReloadSimpleTime(int v) { FAutoReloadSimpleTime = v; }
    uint Color() const { return FColor; }
    void setColor(uint v);
    uint FontColor() const { return FFontColor; }
    void setFontColor(uint v);
    uint FontOEMColor() const { return FFontOEMColor; }
    void setFontOEMColor(uint v) { FFontOEMColor = v; }
    uint FontGutterColor() const { return FFontGutterColor; }
    void setFontGutterColor(uint v) { FFontGutterColor = v; }
    uint FontFooterColor() const { return FFontFooterColor; }
    void setFontFooterColor(uint v) { FFontFooterColor = v; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // A wheel turned over either scroll bar scrolls as it does over the page.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // The internal state and rules below are protected so that a subclass (the tests' probe) can
    // read them; only the control writes them.

    // The page buffer: BufferAllocSize bytes of the source from BufferPos (FileHandle is the open
    // file of the file source and closes itself).
    platform::UniqueFile FileHandle;
    std::unique_ptr<uint8_t[]> Buffer;
    int BufferAllocSize = 0;
    // Nesting depth of drawings and re-opens; a change on disk meanwhile is only reported.
    int RedrawLock = 0;
    int MaxLength = binhex::MaxLength;
    uint8_t FirstPrintable = 32;
    // Largest selection SelText returns without a limit of its own, in MiB.
    int SelTextLimitMb = 16;
    // Sets SelTextLimitMb; tests that copy a whole huge source keep it small this way.
    void setSelTextLimitMb(int mb) { SelTextLimitMb = mb; }

    // Drawing.
    using TPageCache = binhex::TPageCache;
    TPageCache PageCache;
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
    bool FontMonospaced = false;
    int GutterWidth = 10;

    // Scrolling.
    binhex::TScrollBarState ScrollBars;
    binhex::TScrollState Scroll;
    // Cursor ids of the auto-scroll directions; CursorById also knows crIBeam and crHandPoint.
    static constexpr int crIBeam = -4;
    static constexpr int crHandPoint = -21;
    static constexpr int crMoveCenter = -30;
    static constexpr int crMoveUp = -31;
    static constexpr int crMoveDown = -32;
    static constexpr int crMoveLeft = -33;
    static constexpr int crMoveRight = -34;
    static QCursor CursorById(int id);
    // ScrollToEnd, and once more when the end is still not on the page after it.
    void ScrollToEndRepeat();
    // The top position at which the last line is the page's bottom line (fixed layouts).
    TOffset PosLastPage() const;
    int HViewPosMax() const;

    // Selection and context menu.
    using enum binhex::TDragScrollDirection;
    binhex::TMouseSelection Mouse;
    QMenu* ViewerPopupMenu = nullptr;
    // The code page or byte order menu as it is when it opens (built on first use, refreshed).
    QMenu* PrepareEncodingMenu();
    // Recomputes the context menu's visible and enabled items.
    void UpdatePopupMenu();
    QAction* PopupItem(TQXPopupCommand command) const;

    // Text modes: the line model, line numbers and URLs.
    binhex::TTextLineModel TextModel;
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
    // Reports the URL at pos through OnClickURL (when assigned); a bare e-mail address (no "://",
    // no leading "www.") gets "mailto:" in front.
    void ClickUrl(TOffset pos);

    // Search: matches of the remembered search painted on the page (offset, length in characters),
    // at most MaxSearchHighlights; refilled by FindHighlights before every drawing of a page with
    // data.
    struct THighlight {
        TOffset HiStart = 0;
        int64_t HiLength = 0;
    };
    static constexpr int MaxSearchHighlights = 1000;
    std::vector<THighlight> SearchHighlights;

    // Reload: a watcher's change re-opens the file keeping position and selection (or following
    // its end), or empties the control when the file is gone; ignored during a mouse selection,
    // and only reported while a page is drawn.
    void HandleFileChange(QObject* sender);
    TQXFileNotification& FileNotificationWatcher() const { return *FileNotification; }

private:
    // ---- Source and page buffer (QXBinHex.cpp) ----
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
    int BufferOffsetOf(TOffset pos, const char* routine) const;
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

    // ---- Drawing (QXBinHexDraw.cpp) ----
    struct TDrawColors;
    class TPageCanvas;
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
    void DrawHexLines(TPageCanvas& page);
    void DrawUHexLines(TPageCanvas& page);
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
    QString ColumnText(TOffset linePos, int count, int step) const;
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

    // ---- Text modes (QXBinHexText.cpp) ----
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
    void ClearUrls();
    void DrawGutterCell(TPageCanvas& page, int y, TOffset linePos, bool startsLine);

    // ---- Scrolling, keyboard, wheel and auto-scroll (QXBinHexScroll.cpp) ----
    static constexpr int HorzLineStep = 200;
    // The auto-scroll mark drawn around the middle-button press point.
    static const QPixmap& MoveBitmap();
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
    QTimer DragScrollTimer;
    QTimer AutoScrollTimer;

    // ---- Selection, clipboard and context menu (QXBinHexSelect.cpp) ----
    // Delimiters of line and word selection.
    static const QString LineDelimiters;
    static const QString WordDelimiters;
    // The selection's part of the keys, the mouse press and the drag.
    bool HandleSelectionKey(QKeyEvent* event);
    // How a client point is hit-tested: Near takes the nearest character of the line under it,
    // Strict only a character drawn under the point.
    enum class THitTest { Near, Strict };
    // The offset under a client point in the last drawing's record (-1 for none).
    TOffset PosAtPoint(QPoint client, THitTest mode) const;
    void HandleSelectionPress(QMouseEvent* event);
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

    // ---- Search (QXBinHexSearch.cpp) ----
    std::unique_ptr<TQXStreamSearch> FSearch;
    std::unique_ptr<TQXStreamSearch> PageSearch;
    // Gives Search the viewer's source unless it already has it.
    void AttachSearchSource();
    bool SelectFound(bool found);

    // ---- Automatic reload (QXBinHexReload.cpp) ----
    std::unique_ptr<TQXFileNotification> FileNotification;
    std::unique_ptr<TQXFileNotificationSimple> FileNotificationSimple;
    void InitWatchers();
    void StopWatching();
    void StartWatching();

    // ---- Properties ----
    int FTextLineSpacing = 0;
    bool FTextEnableSel = true;
    QFont FFontOEM;
    QFont FFontFooter;
    QFont FFontGutter;
    TQXBinHexMode FMode = vbmodeText;
    int FTextEncoding = 0;
    int FTextWidth = 80;
    int FTextWidthHex = DefaultTextWidthHex;
    int FTextWidthUHex = DefaultTextWidthUHex;
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

    QImage PageBitmap{200, 150, QImage::Format_RGB32};
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TQXBinHex::TQXPopupCommands)
