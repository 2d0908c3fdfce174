// QXStrPositions.h — TStrPositions, the record of what the last page drawing put where, and the
// mapping between client points and source offsets that it allows.
#pragma once

#include "QXBinHexExport.h"

#include "QXBinHexOutput.h"

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>

struct TStrEntry {
    QString Str; // the characters as drawn, before output preparation
    int32_t X = 0;
    int32_t Y = 0;
    int64_t Pos = 0; // source offset of the first character
};

class QXBINHEX_EXPORT TStrPositions {
public:
    static constexpr int MaxStrings = 150;
    static constexpr int MaxCells = 64;

    int32_t Count = 0;
    std::array<TStrEntry, MaxStrings> Entries;
    std::array<int32_t, MaxCells> CellX{};
    int32_t CellCount = 0;
    int32_t CellWidth = 0;
    int32_t TextColumnX = 0;
    int32_t CharSize = 1;

    // Empties the record for a page of charSize bytes per character.
    void ClearPositions(int32_t charSize);
    // Records the x of hex cell index (ignored outside 0..63); the cell count is lowered to 64.
    void SetHexCell(int32_t index, int32_t x, int32_t cellWidth, int32_t cellCount);
    void SetTextColumn(int32_t x);
    // Appends a drawn string; the 151st and later are not recorded.
    void AddString(const QString& str, int32_t x, int64_t pos, int32_t y);

    // The character boundary nearest to a client point: the line's start left of its string (or the
    // offset after the nearest cell whose middle lies left of the point, in the hex cell area), its
    // end right of it, the first offset above the first line and the end of the last line below the
    // drawn lines. Strict answers -1 for the points outside the strings. -1 on an empty page.
    // canvas is the font the strings were drawn with; a line's band is the font height only.
    int64_t PosFromPoint(const QFont& canvas, int32_t x, int32_t y, bool strict,
                         const TQXBinHexOutputOptions& options) const;
    // The offset of the character or hex cell drawn under a client point; -1 where none is (the
    // blank after a cell counts as the cell's).
    int64_t CharAtPoint(const QFont& canvas, int32_t x, int32_t y,
                        const TQXBinHexOutputOptions& options) const;
    // The left edge and top of the character at pos in the strings (the character column in the hex
    // layouts); false when no recorded string holds pos.
    bool PointFromPos(const QFont& canvas, const TQXBinHexOutputOptions& options, int64_t pos,
                      int32_t& x, int32_t& y) const;
    // The rightmost pixel reached by the prepared strings, at least 0.
    int32_t MaxExtent(const QFont& canvas, const TQXBinHexOutputOptions& options) const;
};
