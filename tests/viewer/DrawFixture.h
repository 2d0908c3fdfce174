// DrawFixture.h — a viewer of a known size showing a memory stream, for page and record checks.
#pragma once

#include "QXBinHex_p.h"
#include "SysColors.h"
#include "support/PageCompare.h"

#include <QBuffer>
#include <QImage>
#include <functional>

class DrawFixture {
public:
    explicit DrawFixture(TQXBinHex::TQXBinHexMode mode = TQXBinHex::vbmodeHex,
                         QSize size = QSize(641, 297)) {
        viewer.resize(size);
        viewer.setMode(mode);
        // A shown widget gets its resize events at once, so the page follows every resize.
        viewer.show();
    }
    void Show(const QByteArray& data) {
        stream.close();
        viewer.OpenStream(nullptr, false);
        stream.setData(data);
        stream.open(QIODevice::ReadOnly);
        viewer.OpenStream(&stream, /*redraw=*/true);
    }
    // Resizes the viewer so that its page (the viewport) is width × height pixels.
    void SetPageSize(int width, int height) {
        const QSize frame = viewer.size() - viewer.viewport()->size();
        viewer.resize(width + frame.width(), height + frame.height());
        viewer.Redraw();
    }
    const QImage& Page() const { return viewer.PageImage(); }
    int W() const { return viewer.CharWidth(); }
    int LH() const { return viewer.LineHeight(); }
    int Left() const { return viewer.LeftMargin(); }
    // x of a column of a hex line, in character widths from the left margin.
    int Column(int units) const { return Left() + units * W(); }
    // The columns of the viewer's lines as it lays them out.
    binhex::TLineLayout Layout() const { return TQXBinHexPrivate::get(viewer).LineLayout(); }

    // Pixels of the rectangle matching a predicate.
    int CountPixels(const QRect& r, const std::function<bool(QColor)>& pred) const {
        int n = 0;
        const QRect rect = r.intersected(Page().rect());
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                n += pred(Page().pixelColor(x, y)) ? 1 : 0;
        return n;
    }
    // The pixel of the rectangle with the least red (the most strongly inked one on a light
    // background).
    QColor DarkestPixel(const QRect& r) const {
        QColor best(255, 255, 255);
        const QRect rect = r.intersected(Page().rect());
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (Page().pixelColor(x, y).red() < best.red())
                    best = Page().pixelColor(x, y);
        return best;
    }
    static QColor Rgb(uint32_t bgr) { return platform::ColorToQColor(bgr); }

    // Scrolls by lines (> 0 down, < 0 up), expects the page to have been shifted or not, and then
    // expects the same image, record, view and widest line as the page drawn anew without shifts.
    void ExpectShiftEqualsRedraw(int lines, bool shifts, bool checkExtent) {
        TQXBinHexPrivate& d = TQXBinHexPrivate::get(viewer);
        const int before = d.PageCache.Shifts;
        if (lines > 0)
            viewer.ScrollLineDown(lines);
        else
            viewer.ScrollLineUp(-lines);
        EXPECT_EQ(d.PageCache.Shifts - before, shifts ? 1 : 0);
        const QImage shifted = Page().copy();
        const TStrPositions shiftedRecord = viewer.StrPositions();
        const TOffset pos = viewer.ViewPos();
        const bool atEnd = viewer.ViewAtEnd();
        const TOffset pageSize = viewer.ViewPageSize();
        const int extent = checkExtent ? d.PageExtentMax() : 0;

        d.SetPagePaths(/*glyphRuns=*/true, /*lineShift=*/false);
        viewer.Redraw();
        ASSERT_EQ(viewer.ViewPos(), pos);
        EXPECT_EQ(viewer.ViewAtEnd(), atEnd);
        EXPECT_EQ(viewer.ViewPageSize(), pageSize);
        EXPECT_EQ(test::FirstDifferentRow(shifted, Page()), -1);
        test::ExpectSameRecord(shiftedRecord, viewer.StrPositions());
        if (checkExtent) {
            EXPECT_EQ(extent, d.PageExtentMax());
        }
    }

    TQXBinHex viewer;
    QBuffer stream;
};
