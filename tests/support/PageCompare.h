// PageCompare.h — a page image and its positions record compared with another drawing of the
// same page, row by row and entry by entry.
#pragma once

#include "QXStrPositions.h"

#include <QImage>
#include <cstring>
#include <gtest/gtest.h>

namespace test {

// The first row where two images differ, -1 when they are equal.
inline int FirstDifferentRow(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 0;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                        static_cast<size_t>(a.bytesPerLine())) != 0)
            return y;
    return -1;
}

// Every entry of two positions records, and their cells and columns.
inline void ExpectSameRecord(const TStrPositions& got, const TStrPositions& want) {
    ASSERT_EQ(got.Count, want.Count);
    for (int i = 0; i < want.Count; ++i) {
        const TStrEntry& g = got.Entries[static_cast<size_t>(i)];
        const TStrEntry& w = want.Entries[static_cast<size_t>(i)];
        EXPECT_EQ(g.Str, w.Str) << "string " << i;
        EXPECT_EQ(g.X, w.X) << "string " << i;
        EXPECT_EQ(g.Y, w.Y) << "string " << i;
        EXPECT_EQ(g.Pos, w.Pos) << "string " << i;
    }
    EXPECT_EQ(got.CellCount, want.CellCount);
    EXPECT_EQ(got.CellWidth, want.CellWidth);
    EXPECT_EQ(got.CellX, want.CellX);
    EXPECT_EQ(got.TextColumnX, want.TextColumnX);
    EXPECT_EQ(got.CharSize, want.CharSize);
}

} // namespace test
