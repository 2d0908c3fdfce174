// QXStrPositions.cpp — the positions record of a drawn page and hit-testing on it.
#include "QXStrPositions.h"

void TStrPositions::ClearPositions(int32_t charSize) {
    for (int i = 0; i < Count; ++i)
        Entries[static_cast<size_t>(i)] = TStrEntry{};
    Count = 0;
    CellX.fill(0);
    CellCount = 0;
    CellWidth = 0;
    TextColumnX = 0;
    CharSize = charSize;
}

void TStrPositions::SetHexCell(int32_t index, int32_t x, int32_t cellWidth, int32_t cellCount) {
    CellCount = std::min(cellCount, MaxCells);
    CellWidth = cellWidth;
    if (index >= 0 && index < MaxCells)
        CellX[static_cast<size_t>(index)] = x;
}

void TStrPositions::SetTextColumn(int32_t x) {
    TextColumnX = x;
}

void TStrPositions::AddString(const QString& str, int32_t x, int64_t pos, int32_t y) {
    if (Count >= MaxStrings)
        return;
    Entries[static_cast<size_t>(Count)] = TStrEntry{str, x, y, pos};
    ++Count;
}

int64_t TStrPositions::PosFromPoint(const QFont& canvas, int32_t x, int32_t y, bool strict,
                                    const TQXBinHexOutputOptions& options) const {
    if (Count == 0)
        return -1;
    if (y < Entries[0].Y)
        return strict ? -1 : Entries[0].Pos;

    const int height = FontHeight(canvas);
    const TStrEntry* entry = nullptr;
    for (int k = 0; k < Count; ++k) {
        const TStrEntry& e = Entries[static_cast<size_t>(k)];
        if (e.Y <= y && y < e.Y + height) {
            entry = &e;
            break;
        }
    }
    if (!entry) {
        const TStrEntry& last = Entries[static_cast<size_t>(Count - 1)];
        return strict ? -1 : last.Pos + last.Str.size() * CharSize;
    }

    if (x <= entry->X) {
        if (CellCount > 0 && TextColumnX > 0 && x <= TextColumnX) {
            for (int i = CellCount - 1; i >= 0; --i) {
                const int32_t cx = CellX[static_cast<size_t>(i)];
                if (cx > 0 && cx + CellWidth / 2 <= x)
                    return entry->Pos + static_cast<int64_t>(i + 1) * CharSize;
            }
        }
        return strict ? -1 : entry->Pos;
    }

    TExtents extents;
    if (!OutputTextExtents(canvas, entry->Str, extents, options))
        return -1;
    const int length = static_cast<int>(std::min<qsizetype>(entry->Str.size(), MaxExtentChars));
    for (int k = 1; k <= length; ++k) {
        if ((extents[static_cast<size_t>(k - 1)] + extents[static_cast<size_t>(k)]) / 2 + entry->X >
            x)
            return entry->Pos + static_cast<int64_t>(k - 1) * CharSize;
    }
    return strict ? -1 : entry->Pos + entry->Str.size() * CharSize;
}

int64_t TStrPositions::CharAtPoint(const QFont& canvas, int32_t x, int32_t y,
                                   const TQXBinHexOutputOptions& options) const {
    const int height = FontHeight(canvas);
    for (int k = 0; k < Count; ++k) {
        const TStrEntry& e = Entries[static_cast<size_t>(k)];
        if (y < e.Y || y >= e.Y + height)
            continue;
        const int cells = static_cast<int>(std::min<qsizetype>(e.Str.size(), CellCount));
        for (int i = 0; i < cells; ++i) {
            const int32_t cx = CellX[static_cast<size_t>(i)];
            if (cx <= x && x < cx + CellWidth)
                return e.Pos + static_cast<int64_t>(i) * CharSize;
        }
        TExtents extents;
        if (x < e.X || !OutputTextExtents(canvas, e.Str, extents, options))
            return -1;
        const int length = static_cast<int>(std::min<qsizetype>(e.Str.size(), MaxExtentChars));
        for (int i = 0; i < length; ++i)
            if (x - e.X < extents[static_cast<size_t>(i) + 1])
                return e.Pos + static_cast<int64_t>(i) * CharSize;
        return -1;
    }
    return -1;
}

bool TStrPositions::PointFromPos(const QFont& canvas, const TQXBinHexOutputOptions& options,
                                 int64_t pos, int32_t& x, int32_t& y) const {
    x = 0;
    y = 0;
    for (int k = 0; k < Count; ++k) {
        const TStrEntry& e = Entries[static_cast<size_t>(k)];
        if (pos < e.Pos || pos >= e.Pos + e.Str.size() * CharSize)
            continue;
        TExtents extents;
        if (!OutputTextExtents(canvas, e.Str, extents, options))
            continue;
        const int64_t index = (pos - e.Pos) / CharSize;
        x = (index <= MaxExtentChars ? extents[static_cast<size_t>(index)] : 0) + e.X;
        y = e.Y;
        return true;
    }
    return false;
}

int32_t TStrPositions::MaxExtent(const QFont& canvas, const TQXBinHexOutputOptions& options) const {
    int32_t result = 0;
    for (int k = 0; k < Count; ++k) {
        const TStrEntry& e = Entries[static_cast<size_t>(k)];
        result = std::max(result, e.X + OutputTextWidth(canvas, e.Str, options));
    }
    return result;
}
