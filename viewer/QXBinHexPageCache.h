// QXBinHexPageCache.h — what a drawing of TQXBinHex's page image keeps for the next one.
#pragma once

#include "QXBinHexGlyphCache.h"
#include "QXBinHexTextShift.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace binhex {

// What a drawing of the page image keeps for the next one: the hex digits laid out once per
// font, and the state the image shows, so that a move by whole lines in the fixed-width modes
// shifts the image and draws only the lines it uncovers.
struct TPageCache {
    // Glyphs of "0123456789ABCDEF:" in the page font and their advances; DigitsOk when the
    // font itself has them all.
    QString FontKey;
    QRawFont Raw;
    std::array<quint32, 17> Digits{};
    std::array<qreal, 17> Advances{};
    bool DigitsOk = false;
    // Glyph (0: the font lacks it) and advance of each character the character column of the
    // fixed-width modes has shown in the page font.
    struct TCharGlyph {
        quint32 Glyph = 0;
        qreal Advance = 0;
    };
    QHash<char16_t, TCharGlyph> CharGlyphs;
    // Off: every cell and offset is drawn as a string of its own (the plain path).
    bool UseGlyphRuns = true;
    // Off: every drawing draws the whole page.
    bool UseLineShift = true;
    // Drawings that shifted the image rather than drawing the whole page.
    int Shifts = 0;
    // Everything but ViewPos that decides the pixels and the record of a fixed-width page.
    struct TState {
        QSize Size;
        qreal Ratio = 1;
        int Mode = 0, Cells = 0, OffsetDigits = 0, LineSize = 0;
        QString FontKey;
        int LineHeight = 0, CharWidth = 0, Ascent = 0, HViewPos = 0, LeftMargin = 0;
        std::array<QRgb, 10> Colors{};
        int Encoding = 0, ByteOrder = 0, TabSize = 0;
        bool Oem = false, NonPrintable = false, Monospaced = false;
        uint8_t FirstPrintable = 0;
        int64_t MarkStart = 0, MarkLength = 0, FileSize = 0, AddressBase = 0;
        // The generation of the marked ranges drawn.
        uint64_t Marks = 0;
        // The text layouts' wrapping and gutter.
        bool Wrap = false, Gutter = false, LineNumbers = false;
        int GutterWidth = 0, LineCount = 0, LinesStep = 0, MaxLength = 0;
        QString GutterFontKey;
        QRgb GutterColor = 0, GutterFontColor = 0;
        bool operator==(const TState&) const = default;
    };
    // The image and StrPositions show State at ViewPos with Highlights and the links Urls
    // (offset, length in characters) highlighted (false: unknown).
    bool Valid = false;
    TState State;
    int64_t ViewPos = 0;
    std::vector<std::pair<int64_t, int64_t>> Highlights;
    std::vector<std::pair<int64_t, int64_t>> Urls;
    // The glyphs of the text layouts' lines, the line being laid out, the lines of the page shown
    // and the strings its record holds, and whether its lines were read whole from the buffer.
    TGlyphCache TextGlyphs;
    TLaidOutLine TextLine;
    TTextPageLines TextLines;
    std::vector<QString> TextRecord;
    bool TextExact = false;
    // A line's glyphs, by cell colour, reused from line to line.
    std::array<QList<quint32>, 2> LineGlyphs;
    std::array<QList<QPointF>, 2> LinePositions;
};

// What decides whether a fixed-width page drawn at OldViewPos can be shifted to show NewViewPos:
// besides the page's own (its lines drawn are one partial line more than fit), the line size in
// bytes and the source's size.
struct TLineShiftQuery : TPageShiftQuery {
    int64_t OldViewPos = 0;
    int LineSize = 0;
    int64_t FileSize = 0;
};

// The whole lines to move the old page up by (negative: down) so that it shows NewViewPos, or 0
// when the page must be drawn whole: the move is not a whole number of lines, or leaves fewer than
// two whole lines of the old page; the lines drawn do not fill the image; either page reaches
// past the data; the matches where the pages overlap differ; or the move is not a whole number of
// device pixel rows.
int LineShiftFor(const TLineShiftQuery& query);

} // namespace binhex
