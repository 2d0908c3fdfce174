// QXBinHexGlyphCache.h — the lines of the text layouts laid out as glyph runs: a per-code-point
// cache of glyphs for the lines that need no shaping, one shaping for the lines that do.
#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <array>
#include <vector>

class QPainter;

namespace binhex {

// One font's glyphs of a laid-out line, at x from the line's start and y from its baseline.
struct TGlyphRunPart {
    QRawFont Font;
    QList<quint32> Glyphs;
    QList<QPointF> Positions;
};

// A prepared line laid out: its glyphs, its advance, and how far its ink reaches above (negative)
// and below the baseline, in whole pixels (rounded outward).
struct TLaidOutLine {
    std::vector<TGlyphRunPart> Runs;
    qreal Width = 0;
    int InkTop = 0;
    int InkBottom = 0;
    // True when the line went through shaping (it has characters the cache cannot place).
    bool Shaped = false;
};

// The glyph, advance and ink of each code point the text font shows on its own, so that a line
// made only of such code points is laid out by adding advances; any other line is shaped once as a
// whole. A code point is placed from the cache when shaping it alone gives one glyph of the text
// font itself (also its missing-glyph box, when no font has the code point and its script is one
// of its own) with a whole-pixel advance, and nothing about it can make shaping depend on its
// neighbours: no marks, format or unassigned code points, no right-to-left or Arabic-number
// direction, none of the joining, reordering or conjoining scripts, no private-use code points,
// lone surrogates, emoji modifiers or regional indicators, and no characters the text font lacks
// of the scripts shared by all.
class TGlyphCache {
public:
    // Lays out prepared in font as QPainter::drawText does; also fills the ink (InkTop, InkBottom)
    // when withInk. False, with nothing laid out, when the shaped line's advance is not whole
    // pixels.
    bool LayOut(const QFont& font, const QString& prepared, bool withInk, TLaidOutLine& line);
    // Draws a laid-out line with its start on x and its baseline on baseline, leaving out the runs'
    // glyphs that start right of clipRight.
    static void Draw(QPainter& painter, const TLaidOutLine& line, qreal x, qreal baseline,
                     qreal clipRight);
    // Code points the cache holds (both kinds), for the tests.
    qsizetype Size() const { return Glyphs.size(); }

private:
    struct TCodeGlyph {
        quint32 Glyph = 0;
        qreal Advance = 0;
        int InkTop = 0;
        int InkBottom = 0;
        bool Simple = false;
    };
    // A shaped line kept for the next drawings: a page moved by a line draws the line beside the
    // uncovered band again.
    struct TShapedLine {
        QString Prepared;
        bool WithInk = false;
        bool Ok = false;
        TLaidOutLine Line;
    };
    void SetFont(const QFont& font);
    TCodeGlyph Measure(char32_t code) const;
    bool Shape(const QString& prepared, bool withInk, TLaidOutLine& line) const;
    bool ShapeOrRecall(const QString& prepared, bool withInk, TLaidOutLine& line);

    QString FontKey;
    QFont Font;
    QRawFont Primary;
    QHash<char32_t, TCodeGlyph> Glyphs;
    std::array<TShapedLine, 8> Recent;
    size_t NextRecent = 0;
};

} // namespace binhex
