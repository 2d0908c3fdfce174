// QXBinHex.h — TQXBinHex, a control that pages through a file or stream of any size as a hex dump,
// text, binary lines or UTF-16 text.
#pragma once

#include "QXBinHexExport.h"
#include "QXBinHexOutput.h"
#include "QXStrPositions.h"
#include "QXStreamSearch.h"
#include "SysColors.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class QPainter;
class TQXBinHexPrivate;
Q_MOC_INCLUDE(<QIODevice>)
Q_MOC_INCLUDE(<QPainter>)

// A 64-bit byte offset into the viewer's source.
using TOffset = int64_t;

// A marked byte range of the viewer's source (TQXBinHex::AddMark).
struct TQXBinHexMark {
    // Given by AddMark, from 1 up; 0 stands for no mark.
    qint64 Id = 0;
    TOffset Start = 0;
    TOffset Length = 0;
    QColor BackColor;
    // Invalid: the marked bytes keep the text colour of their layout.
    QColor TextColor;
    // The tool tip shown over the marked bytes; empty for none.
    QString Hint;
};

// All state lives in TQXBinHexPrivate behind one pointer, so that the layout of this class (the
// scroll area, that pointer and one reference per event) stays the same from release to release.
class QXBINHEX_EXPORT TQXBinHex : public QAbstractScrollArea {
    Q_OBJECT

    std::unique_ptr<TQXBinHexPrivate> d;
    friend class TQXBinHexPrivate;

public:
    enum TQXBinHexMode { vbmodeText, vbmodeBinary, vbmodeHex, vbmodeUnicode, vbmodeUHex };
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
    // The colour properties take platform::TColor values (SysColors.h): 0x00BBGGRR, or a system
    // colour such as platform::clWindow.
    // The inherited panel properties the control draws with.
    Q_PROPERTY(uint Color READ Color WRITE setColor)
    Q_PROPERTY(uint FontColor READ FontColor WRITE setFontColor)
    // Colours of the held fonts (a font value carries none).
    Q_PROPERTY(uint FontOEMColor READ FontOEMColor WRITE setFontOEMColor)
    Q_PROPERTY(uint FontGutterColor READ FontGutterColor WRITE setFontGutterColor)
    Q_PROPERTY(uint FontFooterColor READ FontFooterColor WRITE setFontFooterColor)
    // Added to every offset the offset column shows (the address of the source's first byte).
    Q_PROPERTY(qint64 AddressBase READ AddressBase WRITE setAddressBase)

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

    // Events: assign a callable; each is called only when assigned. Each one is also emitted as
    // the signal named beside it (whether or not the event is assigned), right after the call.
    TNotifyEvent& OnFileReload;      // fileReloaded()
    TNotifyEvent& OnSelectionChange; // selectionChanged()
    TNotifyEvent& OnOptionsChange;   // optionsChanged()
    TNotifyEvent& OnScroll;          // scrolled()
    // Called before the control draws a text line (aboutToDrawLine); setting ADone draws none.
    TQXBinHexDrawLine& OnDrawLine;
    // Called after the control drew a text line (lineDrawn): the line prepared without the line-end
    // glyph, its point (shifted by HViewPos) and the options it was drawn with.
    TQXBinHexDrawLine2& OnDrawLine2;
    TQXBinHexClickURL& OnClickURL; // urlClicked(QByteArray)
    // The progress event of Search (searchProgress).
    TQXStreamSearchProgress OnSearchProgress() const;
    void setOnSearchProgress(TQXStreamSearchProgress handler);

    // ---- Source and page buffer ----

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
    // at or past the end succeeds with fewer bytes. Throws EAssertionFailed (a std::logic_error)
    // without a block or source.
    bool ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset);
    // Moves the page buffer so that it covers pos (asking to retry when the read fails). A read
    // that brings fewer bytes than the source was believed to hold makes the control take the
    // source's size anew.
    void ReadBuffer(TOffset pos);
    // The character at pos from the page buffer, with non-printable codes turned into ".".
    char16_t GetChar(TOffset pos);
    // Two (one-byte modes) or four (two-byte modes, the byte at pos + 1 first) hex digits at pos.
    QString GetHex(TOffset pos);

    bool SourceAssigned() const;
    bool IsFileEmpty() const;
    TOffset PosLast() const;
    int LineSize() const;
    int LinesNum() const;
    // Bytes per character: 2 in the UTF-16 modes, 1 in the others.
    int CharSize() const;

    // The source and the page as the control last left them; callers read them, the control alone
    // writes them.
    const QString& FileName() const;
    TOffset FileSize() const;
    TFileSourceType FileSourceType() const;
    QIODevice* Stream() const;
    // The page buffer holds the source from BufferPos on, 2 × BufMaxOffset bytes around the page.
    TOffset BufferPos() const;
    int BufMaxOffset() const;
    // The last read of the page buffer succeeded.
    bool BufferOK() const;
    TFileUnicodeFmt FileUnicodeFmt() const;
    TOffset ViewPos() const;
    int HViewPos() const;
    bool ViewAtEnd() const;
    TOffset ViewPageSize() const;
    TOffset MarkStart() const;
    TOffset MarkLength() const;
    int HexOffsetLen() const;
    // Display metrics, measured by each drawing (8 and 4 until the first).
    int LineHeight() const;
    int CharWidth() const;

    // ---- Drawing ----

    // Draws the page from ViewPos into target at the given size and records what went where in
    // positions (when given). Sets ViewAtEnd, ViewPageSize and the fitted widths. Throws
    // EAssertionFailed("Positions out of range: DrawTo...") when the view lies outside the buffer.
    void DrawTo(QImage& target, int width, int height, TStrPositions* positions);
    // The page as shown. A scroll key in the fixed-width modes records the page at once and leaves
    // its image to the next paint; reading the image (or DrawTo) draws it first.
    const QImage& PageImage() const;
    // What the last drawing put where; kept exact for every scroll key, drawn or not.
    const TStrPositions& StrPositions() const;
    TQXBinHexOutputOptions OutputOptions(bool lineEnd) const;
    int LeftMargin() const;
    // The font the page is drawn with: the OEM font in the one-byte modes when the OEM encoding and
    // TextOemSpecial are chosen, the control's font otherwise.
    QFont TextFont() const;

    // ---- Scrolling ----

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
    int ClientWidth() const;
    int ClientHeight() const;

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

    // ---- Selection, clipboard and context menu ----

    // Selects length bytes from start (both even in the two-byte modes, the length lowered to the
    // data's end). Invalid arguments are ignored; with TextEnableSel off only the length is
    // cleared.
    void SetSelection(TOffset start, TOffset length, bool scroll, bool fireEvent, bool redraw);
    void SelectAll();
    void SelectNone(bool fireEvent);
    // The selected bytes read from the source (at most maxLen, or 16 MiB when maxLen is 0); a
    // failed read is reported in a box and gives nothing.
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

    // ---- Text modes ----

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

    // ---- Search ----

    // The engine through which searches in the viewer's source run. The caller gives it the source
    // (SetFileName(FileName()) or SetStream(Stream())) and runs FindFirst/FindNext; the viewer
    // paints the remembered search's matches when it has soHighlightAll. Closing a file source
    // frees the engine's file and keeps the remembered search; closing a stream source forgets it.
    // Its progress is reported through OnSearchProgress and searchProgress: the engine's own
    // OnProgress belongs to the control.
    TQXStreamSearch& Search() const;
    // Scans the page and a margin around it for the remembered search's matches.
    void FindHighlights();
    // Searches the viewer's own source for text, from the end of the selection (or the top of the
    // page when nothing is selected) in the direction of the options, and selects a match with
    // scrolling. A read failure is reported in a box. True when found.
    bool FindText(const QString& text, TQXEncoding encoding, TQXSearchOptions options);
    // Continues the last FindText (the other way when previous); true when found.
    bool FindTextNext(bool previous);

    // ---- Marks ----

    // Marks length bytes from start: they are drawn on backColor (and in textColor when it is
    // valid) in every layout, under the search matches, the links and the selection, and hint is
    // their tool tip. Where marks overlap, the one added last is drawn. Returns the new mark's id,
    // or 0 when start is negative, length is not positive or backColor is invalid. Marks stay
    // when the source changes; they are positions in it, as the selection is.
    qint64 AddMark(TOffset start, TOffset length, const QColor& backColor,
                   const QColor& textColor = QColor(), const QString& hint = QString());
    // False when no mark has the id.
    bool RemoveMark(qint64 id);
    void ClearMarks();
    int MarkCount() const;
    // The marks that cover a byte of [start, start + length), in the order they were added.
    QList<TQXBinHexMark> Marks(TOffset start, TOffset length) const;
    // The mark drawn over the byte at pos (the last added of those covering it); Id 0 for none.
    TQXBinHexMark MarkAt(TOffset pos) const;

    // ---- Automatic reload ----

    // Switches watching the file named by FileName on or off (whatever the current source), with
    // the watcher AutoReloadSimple selects.
    void SetAutoReload(bool value);
    // Reports a reload through OnFileReload and fileReloaded.
    void DoFileReload();

    // ---- Properties ----

    int TextLineSpacing() const;
    void setTextLineSpacing(int v);
    bool TextEnableSel() const;
    void setTextEnableSel(bool v);
    QFont FontOEM() const;
    void setFontOEM(const QFont& f);
    QFont FontFooter() const;
    void setFontFooter(const QFont& f);
    QFont FontGutter() const;
    void setFontGutter(const QFont& f);
    TQXBinHexMode Mode() const;
    void setMode(TQXBinHexMode mode);
    int TextEncoding() const;
    // Takes -2 and -1 (UTF-16 BE and LE) or a row of CodepageList; anything else is ignored and the
    // previous encoding stays.
    void setTextEncoding(int encoding);
    // Widths are clamped to 2..300; the hex widths also to a multiple of 4.
    int TextWidth() const;
    void setTextWidth(int v);
    int TextWidthHex() const;
    void setTextWidthHex(int v);
    int TextWidthUHex() const;
    void setTextWidthUHex(int v);
    bool TextWidthFit() const;
    void setTextWidthFit(bool v);
    // Switching a cell fit off sets the width back to its default.
    bool TextWidthFitHex() const;
    void setTextWidthFitHex(bool v);
    bool TextWidthFitUHex() const;
    void setTextWidthFitUHex(bool v);
    // Cells per line of the hex and 16-bit hex modes while they are not fitted to the page.
    static constexpr int DefaultTextWidthHex = 16;
    static constexpr int DefaultTextWidthUHex = 8;
    bool TextWrap() const;
    void setTextWrap(bool v);
    bool TextNonPrintable() const;
    void setTextNonPrintable(bool v);
    bool TextOemSpecial() const;
    void setTextOemSpecial(bool v);
    bool TextUrlHilight() const;
    void setTextUrlHilight(bool v);
    bool TextGutter() const;
    void setTextGutter(bool v);
    bool TextGutterLines() const;
    void setTextGutterLines(bool v);
    // Clamped to 1..10.
    int TextGutterLinesStep() const;
    void setTextGutterLinesStep(int v);
    // Clamped to 10..100000.
    int TextGutterLinesCount() const;
    void setTextGutterLinesCount(int v);
    // Clamped to 1024..20971520.
    int TextGutterLinesBufSize() const;
    void setTextGutterLinesBufSize(int v);
    bool TextGutterLinesExtUse() const;
    void setTextGutterLinesExtUse(bool v);
    QString TextGutterLinesExtList() const;
    void setTextGutterLinesExtList(const QString& v);
    uint TextColorHex() const;
    void setTextColorHex(uint v);
    uint TextColorHex2() const;
    void setTextColorHex2(uint v);
    uint TextColorHexBack() const;
    void setTextColorHexBack(uint v);
    uint TextColorLines() const;
    void setTextColorLines(uint v);
    uint TextColorError() const;
    void setTextColorError(uint v);
    uint TextColorGutter() const;
    void setTextColorGutter(uint v);
    uint TextColorURL() const;
    void setTextColorURL(uint v);
    uint TextColorHi() const;
    void setTextColorHi(uint v);
    // Clamped to 0..80.
    int TextSearchIndentVert() const;
    void setTextSearchIndentVert(int v);
    int TextSearchIndentHorz() const;
    void setTextSearchIndentHorz(int v);
    // Clamped to 2..16.
    int TextTabSize() const;
    void setTextTabSize(int v);
    TQXPopupCommands TextPopupCommands() const;
    void setTextPopupCommands(TQXPopupCommands v);
    bool AutoReload() const;
    void setAutoReload(bool v);
    bool AutoReloadBeep() const;
    void setAutoReloadBeep(bool v);
    bool AutoReloadFollowTail() const;
    void setAutoReloadFollowTail(bool v);
    bool AutoReloadSimple() const;
    void setAutoReloadSimple(bool v);
    int AutoReloadSimpleTime() const;
    void setAutoReloadSimpleTime(int v);
    uint Color() const;
    void setColor(uint v);
    uint FontColor() const;
    void setFontColor(uint v);
    uint FontOEMColor() const;
    void setFontOEMColor(uint v);
    uint FontGutterColor() const;
    void setFontGutterColor(uint v);
    uint FontFooterColor() const;
    void setFontFooterColor(uint v);
    // Clamped to 0 and up; the offset column widens as the largest address needs.
    TOffset AddressBase() const;
    void setAddressBase(TOffset v);

Q_SIGNALS:
    // The events as signals, each emitted right after its event would be called.
    void fileReloaded();
    void selectionChanged();
    void optionsChanged();
    void scrolled();
    // Before a text line is drawn, with the arguments of OnDrawLine; setting *done draws none.
    void aboutToDrawLine(QPainter* canvas, const QString& line, const QString& wholeLine,
                         const QRect& lineRect, const QPoint& textPoint, bool* done);
    // After a text line was drawn, with the arguments of OnDrawLine2.
    void lineDrawn(QPainter* canvas, const QString& line, const QPoint& point,
                   const TQXBinHexOutputOptions& options);
    void urlClicked(const QByteArray& url);
    // The progress of a search through Search(); clearing *continueSearching ends it as not found.
    void searchProgress(qint64 currentPos, qint64 maximalPos, bool* continueSearching);
    // After AddMark, RemoveMark (of a mark there was) or ClearMarks (of any marks).
    void marksChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // A wheel turned over either scroll bar scrolls as it does over the page; a tool tip asked for
    // over the page shows the hint of the mark drawn under the pointer.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TQXBinHex::TQXPopupCommands)
