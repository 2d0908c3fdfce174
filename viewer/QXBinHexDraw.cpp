// QXBinHexDraw.cpp — the page image: drawing a page into it and copying it to the screen.
#include "QXBinHex.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

// Decrements the redraw counter also when drawing throws.
class RedrawGuard {
public:
    explicit RedrawGuard(int& lock) : lock_(lock) { ++lock_; }
    ~RedrawGuard() { --lock_; }
    RedrawGuard(const RedrawGuard&) = delete;
    RedrawGuard& operator=(const RedrawGuard&) = delete;

private:
    int& lock_;
};

} // namespace

void TQXBinHex::Redraw() {
    RedrawGuard guard(RedrawLock);
    const QSize size = viewport()->size().expandedTo(QSize(1, 1));
    if (PageBitmap.size() != size)
        PageBitmap = QImage(size, QImage::Format_RGB32);
    QPainter canvas(&PageBitmap);
    DrawEmptyPage(canvas);
    canvas.end();
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    viewport()->update();
}

void TQXBinHex::DrawEmptyPage(QPainter& canvas) {
    canvas.fillRect(PageBitmap.rect(), platform::ColorToQColor(FColor));
}

void TQXBinHex::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.drawImage(event->rect(), PageBitmap, event->rect());
}

void TQXBinHex::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Redraw();
}

void TQXBinHex::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        Redraw();
}

// The scroll bars never move the view by themselves; the page is redrawn from ViewPos.
void TQXBinHex::scrollContentsBy(int, int) {}
