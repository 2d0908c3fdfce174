// QXBinHexOutput.h — text output of the viewer: preparing a line for display (visible blanks, tab
// expansion), drawing it, and measuring its width and per-character extents.
#pragma once

#include "QXBinHexExport.h"

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>

class QPainter;

struct TQXBinHexOutputOptions {
    bool ShowNonPrintable = false; // spaces, tabs and line ends as visible glyphs
    bool ShowLineEnd = false;      // the line ends with a line break: append the line-end glyph
    bool OemFont = false;          // drawn with the OEM font
    bool Monospaced = false;       // tabs expand to the next stop (else always TabSize spaces)
    int32_t TabSize = 8;
};

// Glyphs of the visible blanks: middle dot, right guillemet and pilcrow, or with the OEM font the
// glyphs of its codes 250, 249 and 254.
QXBINHEX_EXPORT char16_t SpaceGlyph(const TQXBinHexOutputOptions& options);
QXBINHEX_EXPORT char16_t TabGlyph(const TQXBinHexOutputOptions& options);
QXBINHEX_EXPORT char16_t LineEndGlyph(const TQXBinHexOutputOptions& options);

// The string that is drawn for a line: visible spaces when ShowNonPrintable, every tab expanded
// (left to right, each position counted in the partly expanded string), and the line-end glyph when
// ShowNonPrintable and ShowLineEnd. Throws EAssertionFailed("Tab size too small") for TabSize <= 0.
QXBINHEX_EXPORT QString PrepareOutputText(const QString& line,
                                          const TQXBinHexOutputOptions& options);

// Extents of a line's characters: entry i (1 ≤ i ≤ 2048) is the x of the right edge of source
// character i relative to the line's start, after preparation; entry 0 is 0, entries past the
// line's length are 0.
inline constexpr int MaxExtentChars = 2048;
using TExtents = std::array<int32_t, MaxExtentChars + 1>;

// Fills extents for the line drawn with font; one measurement for the whole string. False when the
// font cannot be measured.
QXBINHEX_EXPORT bool OutputTextExtents(const QFont& canvas, const QString& line, TExtents& extents,
                                       const TQXBinHexOutputOptions& options);

// Pixel width of PrepareOutputText(line).
QXBINHEX_EXPORT int OutputTextWidth(const QFont& canvas, const QString& line,
                                    const TQXBinHexOutputOptions& options);

// Draws PrepareOutputText(line) with its top-left corner at (x, y) in the painter's font and pen
// colour on an opaque background of the given colour (the font height tall, the text wide).
QXBINHEX_EXPORT void DrawOutputText(QPainter& canvas, int x, int y,
                                    const TQXBinHexOutputOptions& options, const QString& line,
                                    const QColor& background);
// The same, on whatever lies beneath (for text on a background already filled with that colour).
QXBINHEX_EXPORT void DrawOutputText(QPainter& canvas, int x, int y,
                                    const TQXBinHexOutputOptions& options, const QString& line);

// The text-metric height of the font.
QXBINHEX_EXPORT int FontHeight(const QFont& canvas);

struct TFontMetricsInfo {
    int LineHeight = 0; // before line spacing
    uint8_t FirstPrintable = 32;
    bool Monospaced = false;
    int CharWidth = 0; // width of "0"
};

// Metrics of the text font. FirstPrintable is the first code from 1 on that the font draws as a
// visible glyph (a font that maps control code points to blank glyphs does not count them); 1 for
// the OEM font, which draws the control codes as symbols.
QXBINHEX_EXPORT TFontMetricsInfo ReadFontMetrics(const QFont& canvas, bool oemFont);

// The glyph the OEM font shows for a byte: the OEM code page's character, with the control codes
// 01–1F and 7F as the classic symbols (☺ ☻ ♥ … ⌂) and 00 as a blank.
QXBINHEX_EXPORT char16_t OemGlyph(uint8_t byte);
// Every byte of the string as its OEM glyph.
QXBINHEX_EXPORT QString OemGlyphs(const QByteArray& bytes);
