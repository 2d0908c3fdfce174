// QXBinHexGlyphCache.cpp — laying out the text layouts' lines from cached glyphs, or by shaping.
#include "QXBinHexGlyphCache.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace {

// Code points whose shaping may look at their neighbours whatever the font: the scripts from
// Hebrew to Mongolian and the conjoining jamo (U+0590–U+1DFF), the Indic and South-East Asian
// scripts of U+A800–U+ABFF, the late jamo, the presentation forms of Hebrew and Arabic, and the
// modifiers and regional indicators that fonts join with their neighbours.
bool JoiningRange(char32_t c) {
    return (c >= 0x0590 && c < 0x1E00) || (c >= 0xA800 && c < 0xAC00) ||
           (c >= 0xD7B0 && c < 0xD800) || (c >= 0xFB1D && c < 0xFE00) ||
           (c >= 0xFE70 && c < 0xFF00) || (c >= 0x1F1E6 && c <= 0x1F1FF) ||
           (c >= 0x1F3FB && c <= 0x1F3FF);
}

// Beyond the basic plane only the symbols and pictographs and the ideographs are taken as they are.
bool PlaneAllowed(char32_t c) {
    return c < 0x10000 || (c >= 0x1F000 && c < 0x1FB00) || (c >= 0x20000 && c < 0x40000);
}

bool NeverAlone(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return true;
    default:
        break;
    }
    switch (QChar::direction(c)) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN:
    case QChar::DirB:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI:
        return true;
    default:
        break;
    }
    return JoiningRange(c) || !PlaneAllowed(c);
}

// The shared scripts: a code point of these takes its neighbours' script, and with it their
// fallback fonts.
bool SharedScript(char32_t c) {
    const QChar::Script s = QChar::script(c);
    return s == QChar::Script_Common || s == QChar::Script_Inherited || s == QChar::Script_Unknown;
}

QString CodeString(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

bool Whole(qreal v) {
    return v == std::round(v);
}

// The ink of a glyph at y from the baseline, rounded outward, merged into [top, bottom].
void MergeInk(const QRawFont& font, quint32 glyph, qreal y, int& top, int& bottom) {
    const QRectF r = font.boundingRect(glyph);
    if (r.isEmpty())
        return;
    top = std::min(top, static_cast<int>(std::floor(r.top() + y)));
    bottom = std::max(bottom, static_cast<int>(std::ceil(r.bottom() + y)));
}

} // namespace

namespace binhex {

void TGlyphCache::SetFont(const QFont& font) {
    // The page passes the same font object line after line; its key is built only for another.
    if (font.isCopyOf(Font) && !FontKey.isNull())
        return;
    const QString key = font.key();
    if (key == FontKey)
        return;
    FontKey = key;
    Font = font;
    Primary = QRawFont::fromFont(font);
    Glyphs.clear();
    Recent.fill(TShapedLine{});
}

TGlyphCache::TCodeGlyph TGlyphCache::Measure(char32_t code) const {
    TCodeGlyph g;
    if (!Primary.isValid() || NeverAlone(code))
        return g;
    // Shaped alone, as the whole line would shape it: one glyph of the text font.
    QTextLayout layout(CodeString(code), Font);
    // Keeps the shaping of endLayout for what is read from the line after it.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    const QTextLine tl = layout.createLine();
    layout.endLayout();
    if (!tl.isValid())
        return g;
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1 || runs.front().glyphIndexes().size() != 1)
        return g;
    const QRawFont raw = runs.front().rawFont();
    if (raw.familyName() != Primary.familyName() || raw.styleName() != Primary.styleName() ||
        raw.pixelSize() != Primary.pixelSize())
        return g;
    const quint32 glyph = runs.front().glyphIndexes().front();
    // A code point no font has is drawn as the text font's box, unless a fallback font of the
    // script its neighbours lend it might have it.
    if (glyph == 0 && SharedScript(code))
        return g;
    if (glyph != 0 && !Primary.supportsCharacter(code))
        return g;
    const qreal advance = tl.naturalTextWidth();
    const QList<QPointF> advances = Primary.advancesForGlyphIndexes(QList<quint32>{glyph});
    if (!Whole(advance) || advances.size() != 1 || advances.front().x() != advance)
        return g;
    g.Glyph = glyph;
    g.Advance = advance;
    g.InkTop = 0;
    g.InkBottom = 0;
    MergeInk(Primary, glyph, 0, g.InkTop, g.InkBottom);
    g.Simple = true;
    return g;
}

bool TGlyphCache::LayOut(const QFont& font, const QString& prepared, bool withInk,
                         TLaidOutLine& line) {
    SetFont(font);
    line.Runs.resize(1);
    TGlyphRunPart& run = line.Runs.front();
    run.Font = Primary;
    run.Glyphs.clear();
    run.Positions.clear();
    line.Width = 0;
    line.InkTop = 0;
    line.InkBottom = 0;
    line.Shaped = false;
    for (qsizetype i = 0; i < prepared.size(); ++i) {
        // A lone surrogate counts as U+D800, which is never taken alone.
        char32_t code = prepared.at(i).unicode();
        if (QChar::isSurrogate(code)) {
            const bool pair = QChar::isHighSurrogate(code) && i + 1 < prepared.size() &&
                              prepared.at(i + 1).isLowSurrogate();
            code = pair ? QChar::surrogateToUcs4(prepared.at(i), prepared.at(i + 1)) : 0xD800;
            i += pair ? 1 : 0;
        }
        auto found = Glyphs.constFind(code);
        if (found == Glyphs.constEnd())
            found = Glyphs.insert(code, Measure(code));
        if (!found->Simple)
            return ShapeOrRecall(prepared, withInk, line);
        run.Glyphs.push_back(found->Glyph);
        run.Positions.push_back(QPointF(line.Width, 0));
        line.Width += found->Advance;
        line.InkTop = std::min(line.InkTop, found->InkTop);
        line.InkBottom = std::max(line.InkBottom, found->InkBottom);
    }
    return true;
}

bool TGlyphCache::ShapeOrRecall(const QString& prepared, bool withInk, TLaidOutLine& line) {
    for (const TShapedLine& kept : Recent) {
        if ((kept.WithInk || !withInk) && kept.Prepared == prepared && !kept.Prepared.isNull()) {
            line = kept.Line;
            return kept.Ok;
        }
    }
    TShapedLine& slot = Recent[NextRecent];
    NextRecent = (NextRecent + 1) % Recent.size();
    slot.Ok = Shape(prepared, withInk, line);
    slot.Prepared = prepared;
    slot.WithInk = withInk;
    slot.Line = line;
    return slot.Ok;
}

bool TGlyphCache::Shape(const QString& prepared, bool withInk, TLaidOutLine& line) const {
    line.Runs.clear();
    line.Shaped = true;
    // Laid out as QPainter::drawText lays out a string on an image: in the direction of its first
    // strong character.
    QTextLayout layout(prepared, Font);
    // Keeps the shaping of endLayout for what is read from the line after it.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    const QTextLine tl = layout.createLine();
    layout.endLayout();
    if (!tl.isValid())
        return false;
    line.Width = tl.naturalTextWidth();
    if (!Whole(line.Width))
        return false;
    const qreal ascent = tl.ascent();
    for (const QGlyphRun& glyphRun : layout.glyphRuns()) {
        TGlyphRunPart part;
        part.Font = glyphRun.rawFont();
        part.Glyphs = glyphRun.glyphIndexes();
        part.Positions = glyphRun.positions();
        for (QPointF& p : part.Positions)
            p.ry() -= ascent;
        if (withInk) {
            for (qsizetype k = 0; k < part.Glyphs.size(); ++k)
                MergeInk(part.Font, part.Glyphs[k], part.Positions[k].y(), line.InkTop,
                         line.InkBottom);
        }
        line.Runs.push_back(std::move(part));
    }
    return true;
}

void TGlyphCache::Draw(QPainter& painter, const TLaidOutLine& line, qreal x, qreal baseline,
                       qreal clipRight) {
    for (const TGlyphRunPart& part : line.Runs) {
        qsizetype n = part.Glyphs.size();
        // The glyphs are in order along the line when it was not shaped; a shaped line is drawn
        // whole.
        if (!line.Shaped) {
            while (n > 0 && x + part.Positions[n - 1].x() > clipRight)
                --n;
        }
        if (n == 0)
            continue;
        QGlyphRun run;
        run.setRawFont(part.Font);
        run.setGlyphIndexes(n == part.Glyphs.size() ? part.Glyphs : part.Glyphs.first(n));
        run.setPositions(n == part.Glyphs.size() ? part.Positions : part.Positions.first(n));
        painter.drawGlyphRun(QPointF(x, baseline), run);
    }
}

} // namespace binhex
