// QXBinHex.cpp — TQXBinHex itself: construction, the events and their signals, the widget's event
// handlers, and the operations handed to TQXBinHexPrivate (the properties are
// QXBinHexProperties.cpp's).
#include "QXBinHex_p.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

TQXBinHex::TQXBinHex(QWidget* parent)
    : QAbstractScrollArea(parent), d(std::make_unique<TQXBinHexPrivate>(this)),
      OnFileReload(d->OnFileReload), OnSelectionChange(d->OnSelectionChange),
      OnOptionsChange(d->OnOptionsChange), OnScroll(d->OnScroll), OnDrawLine(d->OnDrawLine),
      OnDrawLine2(d->OnDrawLine2), OnClickURL(d->OnClickURL) {
    d->Init();
}

// Out of line, where TQXBinHexPrivate is complete.
TQXBinHex::~TQXBinHex() = default;

// ---- Events -------------------------------------------------------------------------------------

void TQXBinHexPrivate::NotifyFileReload() {
    if (OnFileReload)
        OnFileReload(q);
    Q_EMIT q->fileReloaded();
}

void TQXBinHexPrivate::NotifySelectionChange() {
    if (OnSelectionChange)
        OnSelectionChange(q);
    Q_EMIT q->selectionChanged();
}

void TQXBinHexPrivate::NotifyOptionsChange() {
    if (OnOptionsChange)
        OnOptionsChange(q);
    Q_EMIT q->optionsChanged();
}

void TQXBinHexPrivate::NotifyScroll() {
    if (OnScroll)
        OnScroll(q);
    Q_EMIT q->scrolled();
}

void TQXBinHexPrivate::NotifyClickUrl(const QByteArray& url) {
    if (OnClickURL)
        OnClickURL(q, url);
    Q_EMIT q->urlClicked(url);
}

bool TQXBinHexPrivate::NotifySearchProgress(int64_t current, int64_t maximal) {
    bool go = true;
    if (OnSearchProgress)
        OnSearchProgress(q, current, maximal, go);
    Q_EMIT q->searchProgress(current, maximal, &go);
    return go;
}

// The line events cost a prepared string and the whole line's text per line: they are made only
// for a listener.
bool TQXBinHexPrivate::DrawLineObserved() const {
    return OnDrawLine || q->isSignalConnected(QMetaMethod::fromSignal(&TQXBinHex::aboutToDrawLine));
}

bool TQXBinHexPrivate::DrawLine2Observed() const {
    return OnDrawLine2 || q->isSignalConnected(QMetaMethod::fromSignal(&TQXBinHex::lineDrawn));
}

TQXStreamSearchProgress TQXBinHex::OnSearchProgress() const {
    return d->OnSearchProgress;
}

void TQXBinHex::setOnSearchProgress(TQXStreamSearchProgress handler) {
    d->OnSearchProgress = std::move(handler);
}

// ---- The widget's events ------------------------------------------------------------------------

void TQXBinHex::paintEvent(QPaintEvent* event) {
    d->PaintViewport(event->rect());
}

void TQXBinHex::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    d->Resized();
}

void TQXBinHex::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        d->Redraw();
}

// The scroll bars never move the view by themselves; the page is redrawn from ViewPos.
void TQXBinHex::scrollContentsBy(int, int) {}

void TQXBinHex::keyPressEvent(QKeyEvent* event) {
    d->SetAutoScrollMode(false);
    if (d->HandleScrollKey(event) || d->HandleSelectionKey(event)) {
        event->accept();
        return;
    }
    // Not the scroll area's own key handling: the bars never move the view by themselves.
    QWidget::keyPressEvent(event);
}

bool TQXBinHex::eventFilter(QObject* watched, QEvent* event) {
    // The bars are part of the control: their own wheel handling would step the 16-bit thumb,
    // which on a large source is far more than the lines a notch scrolls.
    if (event->type() == QEvent::Wheel &&
        (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::ToolTip && watched == viewport()) {
        d->ShowMarkTip(static_cast<QHelpEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TQXBinHex::wheelEvent(QWheelEvent* event) {
    d->WheelTurned(event);
}

void TQXBinHex::mousePressEvent(QMouseEvent* event) {
    d->MousePressed(event);
}

void TQXBinHex::focusOutEvent(QFocusEvent* event) {
    d->SetAutoScrollMode(false);
    QAbstractScrollArea::focusOutEvent(event);
}

void TQXBinHex::mouseDoubleClickEvent(QMouseEvent* event) {
    d->MouseDoubleClicked(event);
}

void TQXBinHex::mouseMoveEvent(QMouseEvent* event) {
    d->MouseMoved(event);
}

void TQXBinHex::mouseReleaseEvent(QMouseEvent* event) {
    d->MouseReleased(event);
}

void TQXBinHex::contextMenuEvent(QContextMenuEvent* event) {
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    d->ShowPopupMenu(keyboard ? QPoint(-1, -1) : event->pos(),
                     keyboard ? viewport()->mapToGlobal(QPoint(0, 0)) : event->globalPos());
    event->accept();
}

// ---- Operations ---------------------------------------------------------------------------------

bool TQXBinHex::Open(const QString& name, bool redraw) {
    return d->Open(name, redraw);
}

bool TQXBinHex::OpenStream(QIODevice* stream, bool redraw) {
    return d->OpenStream(stream, redraw);
}

void TQXBinHex::Redraw() {
    d->Redraw();
}

bool TQXBinHex::ReadSource(uint8_t* block, int count, int& bytesRead, TOffset offset) {
    return d->ReadSource(block, count, bytesRead, offset);
}

void TQXBinHex::ReadBuffer(TOffset pos) {
    d->ReadBuffer(pos);
}

char16_t TQXBinHex::GetChar(TOffset pos) {
    return d->GetChar(pos);
}

QString TQXBinHex::GetHex(TOffset pos) {
    return d->GetHex(pos);
}

bool TQXBinHex::SourceAssigned() const {
    return d->SourceAssigned();
}

bool TQXBinHex::IsFileEmpty() const {
    return d->IsFileEmpty();
}

TOffset TQXBinHex::PosLast() const {
    return d->PosLast();
}

int TQXBinHex::LineSize() const {
    return d->LineSize();
}

int TQXBinHex::LinesNum() const {
    return d->LinesNum();
}

int TQXBinHex::CharSize() const {
    return d->CharSize();
}

const QString& TQXBinHex::FileName() const {
    return d->FileName;
}

TOffset TQXBinHex::FileSize() const {
    return d->FileSize;
}

TQXBinHex::TFileSourceType TQXBinHex::FileSourceType() const {
    return d->FileSourceType;
}

QIODevice* TQXBinHex::Stream() const {
    return d->Stream;
}

TOffset TQXBinHex::BufferPos() const {
    return d->Buffer.Pos;
}

int TQXBinHex::BufMaxOffset() const {
    return d->BufMaxOffset;
}

bool TQXBinHex::BufferOK() const {
    return d->BufferOK;
}

TQXBinHex::TFileUnicodeFmt TQXBinHex::FileUnicodeFmt() const {
    return d->FileUnicodeFmt;
}

TOffset TQXBinHex::ViewPos() const {
    return d->ViewPos;
}

int TQXBinHex::HViewPos() const {
    return d->HViewPos;
}

bool TQXBinHex::ViewAtEnd() const {
    return d->ViewAtEnd;
}

TOffset TQXBinHex::ViewPageSize() const {
    return d->ViewPageSize;
}

TOffset TQXBinHex::MarkStart() const {
    return d->MarkStart;
}

TOffset TQXBinHex::MarkLength() const {
    return d->MarkLength;
}

int TQXBinHex::HexOffsetLen() const {
    return d->HexOffsetLen;
}

int TQXBinHex::LineHeight() const {
    return d->LineHeight;
}

int TQXBinHex::CharWidth() const {
    return d->CharWidth;
}

void TQXBinHex::DrawTo(QImage& target, int width, int height, TStrPositions* positions) {
    d->UpdatePage();
    d->DrawTo(target, width, height, positions);
}

const QImage& TQXBinHex::PageImage() const {
    d->UpdatePage();
    return d->PageBitmap;
}

const TStrPositions& TQXBinHex::StrPositions() const {
    return d->StrPositions;
}

TQXBinHexOutputOptions TQXBinHex::OutputOptions(bool lineEnd) const {
    return d->OutputOptions(lineEnd);
}

int TQXBinHex::LeftMargin() const {
    return d->LeftMargin();
}

QFont TQXBinHex::TextFont() const {
    return d->TextFont();
}

void TQXBinHex::SetViewPos(TOffset pos, bool redraw) {
    d->SetViewPos(pos, redraw);
}

void TQXBinHex::ScrollUpBytes(TOffset n) {
    d->ScrollUpBytes(n);
}

void TQXBinHex::ScrollDownBytes(TOffset n) {
    d->ScrollDownBytes(n);
}

void TQXBinHex::ScrollLineUp(int n) {
    d->ScrollLineUp(n);
}

void TQXBinHex::ScrollLineDown(int n) {
    d->ScrollLineDown(n);
}

void TQXBinHex::ScrollPageUp() {
    d->ScrollPageUp();
}

void TQXBinHex::ScrollPageDown() {
    d->ScrollPageDown();
}

void TQXBinHex::ScrollToBegin() {
    d->ScrollToBegin();
}

void TQXBinHex::ScrollToEnd() {
    d->ScrollToEnd();
}

void TQXBinHex::GoToPos(TOffset pos) {
    d->GoToPos(pos);
}

void TQXBinHex::SetHorzPos(int x, bool redraw) {
    d->SetHorzPos(x, redraw);
}

void TQXBinHex::ScrollLeft(int px) {
    d->ScrollLeft(px);
}

void TQXBinHex::ScrollRight(int px) {
    d->ScrollRight(px);
}

void TQXBinHex::UpdateVertScrollBar() {
    d->UpdateVertScrollBar();
}

void TQXBinHex::UpdateHorzScrollBar() {
    d->UpdateHorzScrollBar();
}

void TQXBinHex::SetAutoScrollMode(bool on) {
    d->SetAutoScrollMode(on);
}

bool TQXBinHex::FontSizeStep(bool larger) {
    return d->FontSizeStep(larger);
}

int TQXBinHex::ClientWidth() const {
    return d->ClientWidth();
}

int TQXBinHex::ClientHeight() const {
    return d->ClientHeight();
}

void TQXBinHex::VScroll(int code, int pos) {
    d->VScroll(code, pos);
}

void TQXBinHex::HScroll(int code, int pos) {
    d->HScroll(code, pos);
}

void TQXBinHex::AutoScrollStep(QPoint client) {
    d->AutoScrollStep(client);
}

void TQXBinHex::DragScrollStep(int clientY) {
    d->DragScrollStep(clientY);
}

void TQXBinHex::SetSelection(TOffset start, TOffset length, bool scroll, bool fireEvent,
                             bool redraw) {
    d->SetSelection(start, length, scroll, fireEvent, redraw);
}

void TQXBinHex::SelectAll() {
    d->SelectAll();
}

void TQXBinHex::SelectNone(bool fireEvent) {
    d->SelectNone(fireEvent);
}

QByteArray TQXBinHex::SelText(int maxLen) {
    return d->SelText(maxLen);
}

QString TQXBinHex::SelTextW() {
    return d->SelTextW();
}

void TQXBinHex::CopyToClipboard(bool asHex) {
    d->CopyToClipboard(asHex);
}

void TQXBinHex::CopyLink() {
    d->CopyLink();
}

void TQXBinHex::SelectLine() {
    d->SelectLine();
}

void TQXBinHex::EncodingMenu(QPoint screenPos) {
    d->EncodingMenu(screenPos);
}

void TQXBinHex::ScrollToPos(TOffset pos, int indentLines, int indentChars, bool redrawHorz) {
    d->ScrollToPos(pos, indentLines, indentChars, redrawHorz);
}

QString TQXBinHex::TextAround(TOffset pos) {
    return d->TextAround(pos);
}

TOffset TQXBinHex::FindLineStart(TOffset pos, bool forward, bool start, TLineChars* line) {
    return d->FindLineStart(pos, forward, start, line);
}

void TQXBinHex::FindHighlights() {
    d->FindHighlights();
}

bool TQXBinHex::FindText(const QString& text, TQXEncoding encoding, TQXSearchOptions options) {
    return d->FindText(text, encoding, options);
}

bool TQXBinHex::FindTextNext(bool previous) {
    return d->FindTextNext(previous);
}

void TQXBinHex::SetAutoReload(bool value) {
    d->SetAutoReload(value);
}

void TQXBinHex::DoFileReload() {
    d->DoFileReload();
}

TQXStreamSearch& TQXBinHex::Search() const {
    return *d->FSearch;
}
