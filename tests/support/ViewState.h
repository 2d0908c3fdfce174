// ViewState.h — what a viewer shows after a step (position, bars, positions record) and the events
// it fired up to it, captured to be compared with another viewer's.
#pragma once

#include "PageCompare.h"
#include "QXBinHex.h"

#include <QObject>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace test {

struct BarState {
    int Value = 0, Maximum = 0, PageStep = 0;
    bool Hidden = false;
    bool operator==(const BarState&) const = default;
};

inline BarState CaptureBar(const QScrollBar& bar) {
    return {bar.value(), bar.maximum(), bar.pageStep(), bar.isHidden()};
}

// Counts the events a viewer fires that a scroll can cause.
class ViewEvents {
public:
    explicit ViewEvents(TQXBinHex& viewer) {
        QObject::connect(viewer.verticalScrollBar(), &QScrollBar::valueChanged,
                         [this] { ++VertMoves; });
        QObject::connect(viewer.horizontalScrollBar(), &QScrollBar::valueChanged,
                         [this] { ++HorzMoves; });
        QObject::connect(&viewer, &TQXBinHex::scrolled, [this] { ++Scrolled; });
        QObject::connect(&viewer, &TQXBinHex::selectionChanged, [this] { ++SelectionChanged; });
    }
    int VertMoves = 0, HorzMoves = 0, Scrolled = 0, SelectionChanged = 0;
};

struct ViewState {
    TOffset ViewPos = 0;
    int HViewPos = 0;
    bool ViewAtEnd = false;
    TOffset ViewPageSize = 0;
    BarState Vert, Horz;
    TStrPositions Record;
    int VertMoves = 0, HorzMoves = 0, Scrolled = 0, SelectionChanged = 0;
};

// The view of viewer, its record read through a reference taken earlier from StrPositions().
inline ViewState CaptureView(const TQXBinHex& viewer, const TStrPositions& record,
                             const ViewEvents& events) {
    return {viewer.ViewPos(),
            viewer.HViewPos(),
            viewer.ViewAtEnd(),
            viewer.ViewPageSize(),
            CaptureBar(*viewer.verticalScrollBar()),
            CaptureBar(*viewer.horizontalScrollBar()),
            record,
            events.VertMoves,
            events.HorzMoves,
            events.Scrolled,
            events.SelectionChanged};
}

inline void ExpectSameView(const ViewState& got, const ViewState& want) {
    EXPECT_EQ(got.ViewPos, want.ViewPos);
    EXPECT_EQ(got.HViewPos, want.HViewPos);
    EXPECT_EQ(got.ViewAtEnd, want.ViewAtEnd);
    EXPECT_EQ(got.ViewPageSize, want.ViewPageSize);
    EXPECT_TRUE(got.Vert == want.Vert) << "vertical bar";
    EXPECT_TRUE(got.Horz == want.Horz) << "horizontal bar";
    EXPECT_EQ(got.VertMoves, want.VertMoves);
    EXPECT_EQ(got.HorzMoves, want.HorzMoves);
    EXPECT_EQ(got.Scrolled, want.Scrolled);
    EXPECT_EQ(got.SelectionChanged, want.SelectionChanged);
    ExpectSameRecord(got.Record, want.Record);
}

} // namespace test
