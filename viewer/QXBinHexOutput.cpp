// QXBinHexOutput.cpp — preparing, drawing and measuring the viewer's text.
#include "QXBinHexOutput.h"

#include "QXxCodepages.h"
#include "QXxSProc.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <mutex>
#include <vector>

namespace {

// The classic symbols of the OEM font for the control codes 00–1F; 7F is the house.
constexpr char16_t DosControlGlyphs[32] = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC'};
constexpr char16_t DosHouseGlyph = u'\u2302';

// Builds the prepared string and, for every source character, the index in it just past that
// character's expansion.
QString Prepare(const QString& line, const TQXBinHexOutputOptions& options,
                std::vector<int>* ends) {
    TabExpandOptions tabs;
    tabs.TabSize = options.TabSize;
    tabs.AlignToStops = options.Monospaced;
    tabs.ShowMark = options.ShowNonPrintable;
    tabs.MarkChar = TabGlyph(options);
    const char16_t space = SpaceGlyph(options);

    QString out;
    out.reserve(line.size() + 8);
    if (ends)
        ends->resize(static_cast<size_t>(line.size()));
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'\t') {
            tabs.TabPos = static_cast<int32_t>(out.size()) + 1;
            out += TabSpaces(tabs);
        } else if (c == u' ' && options.ShowNonPrintable) {
            out += QChar(space);
        } else {
            out += c;
        }
        if (ends)
            (*ends)[static_cast<size_t>(i)] = static_cast<int>(out.size());
    }
    if (options.TabSize <= 0)
        TabSpaces(tabs); // raises the assertion even for a line without tabs
    if (options.ShowNonPrintable && options.ShowLineEnd)
        out += QChar(LineEndGlyph(options));
    return out;
}

// True when every character of s is drawn with its own advance, so that summing advances gives
// the drawn extents exactly (no shaping across characters, no surrogates, no combining marks).
bool SimpleText(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x0300)
            continue;
        if (c.isSurrogate() || c.isMark() || (u >= 0x0590 && u < 0x1E00) || (u >= 0x2E80))
            return false;
    }
    return true;
}

// Per-font advance cache for the characters below U+2E80.
class AdvanceCache {
public:
    explicit AdvanceCache(const QFont& font) : metrics_(font) {}
    qreal advance(char16_t c) {
        auto it = advances_.find(c);
        if (it != advances_.end())
            return *it;
        const qreal a = metrics_.horizontalAdvance(QChar(c));
        advances_.insert(c, a);
        return a;
    }

private:
    QFontMetricsF metrics_;
    QHash<char16_t, qreal> advances_;
};

// Kept for the whole run (never destroyed, so no font object outlives the application object's
// font database at exit).
AdvanceCache& CacheFor(const QFont& font) {
    static auto* caches = new QHash<QString, AdvanceCache*>;
    const QString key = font.key();
    auto it = caches->find(key);
    if (it == caches->end())
        it = caches->insert(key, new AdvanceCache(font));
    return **it;
}

// Cumulative extents of every character of prepared: result[k] is the right edge of character k
// (1-based), result[0] = 0.
std::vector<int> PreparedExtents(const QFont& font, const QString& prepared) {
    std::vector<int> ext(static_cast<size_t>(prepared.size()) + 1, 0);
    if (SimpleText(prepared)) {
        AdvanceCache& cache = CacheFor(font);
        qreal x = 0;
        for (qsizetype k = 0; k < prepared.size(); ++k) {
            x += cache.advance(prepared.at(k).unicode());
            ext[static_cast<size_t>(k) + 1] = qRound(x);
        }
        return ext;
    }
    QTextLayout layout(prepared, font);
    // Keeps the shaping of endLayout for what is read from the line after it.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine tl = layout.createLine();
    layout.endLayout();
    if (!tl.isValid())
        return ext;
    for (qsizetype k = 1; k <= prepared.size(); ++k)
        ext[static_cast<size_t>(k)] = qRound(tl.cursorToX(static_cast<int>(k)));
    return ext;
}

} // namespace

char16_t SpaceGlyph(const TQXBinHexOutputOptions& o) {
    return o.OemFont ? OemGlyph(250) : u'\u00B7';
}
char16_t TabGlyph(const TQXBinHexOutputOptions& o) {
    return o.OemFont ? OemGlyph(249) : u'\u00BB';
}
char16_t LineEndGlyph(const TQXBinHexOutputOptions& o) {
    return o.OemFont ? OemGlyph(254) : u'\u00B6';
}

QString PrepareOutputText(const QString& line, const TQXBinHexOutputOptions& options) {
    return Prepare(line, options, nullptr);
}

bool OutputTextExtents(const QFont& canvas, const QString& line, TExtents& extents,
                       const TQXBinHexOutputOptions& options) {
    extents.fill(0);
    std::vector<int> ends;
    const QString prepared = Prepare(line, options, &ends);
    const std::vector<int> ext = PreparedExtents(canvas, prepared);
    const size_t n = std::min<size_t>(ends.size(), MaxExtentChars);
    for (size_t i = 0; i < n; ++i)
        extents[i + 1] = ext[static_cast<size_t>(ends[i])];
    return true;
}

int OutputTextWidth(const QFont& canvas, const QString& line,
                    const TQXBinHexOutputOptions& options) {
    const QString prepared = PrepareOutputText(line, options);
    if (SimpleText(prepared))
        return PreparedExtents(canvas, prepared).back();
    return QFontMetrics(canvas).horizontalAdvance(prepared);
}

void DrawOutputText(QPainter& canvas, int x, int y, const TQXBinHexOutputOptions& options,
                    const QString& line, const QColor& background) {
    const QString prepared = PrepareOutputText(line, options);
    const QFontMetrics fm(canvas.font());
    canvas.fillRect(QRect(x, y, fm.horizontalAdvance(prepared), fm.height()), background);
    canvas.drawText(x, y + fm.ascent(), prepared);
}

void DrawOutputText(QPainter& canvas, int x, int y, const TQXBinHexOutputOptions& options,
                    const QString& line) {
    canvas.drawText(x, y + QFontMetrics(canvas.font()).ascent(), PrepareOutputText(line, options));
}

int FontHeight(const QFont& canvas) {
    return QFontMetrics(canvas).height();
}

TFontMetricsInfo ReadFontMetrics(const QFont& canvas, bool oemFont) {
    TFontMetricsInfo info;
    const QFontMetrics fm(canvas);
    info.LineHeight = fm.height();
    if (info.LineHeight <= 0)
        info.LineHeight =
            std::abs(canvas.pixelSize() > 0 ? canvas.pixelSize() : canvas.pointSize());
    info.CharWidth = fm.horizontalAdvance(QLatin1Char('0'));
    info.Monospaced =
        fm.horizontalAdvance(QLatin1Char('W')) == fm.horizontalAdvance(QLatin1Char('.'));
    if (oemFont) {
        info.FirstPrintable = 1;
        return info;
    }
    // The first code the font shows as a visible glyph: a control code point that the font lacks,
    // or maps to an empty glyph, is not printable.
    const QRawFont raw = QRawFont::fromFont(canvas);
    info.FirstPrintable = 32;
    for (char16_t c = 1; c < 32; ++c) {
        if (!QChar(c).isPrint() || !fm.inFont(QChar(c)))
            continue;
        if (raw.isValid()) {
            const QList<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(c)));
            if (glyphs.isEmpty() || glyphs.front() == 0 ||
                raw.boundingRect(glyphs.front()).isEmpty())
                continue;
        }
        info.FirstPrintable = static_cast<uint8_t>(c);
        break;
    }
    return info;
}

char16_t OemGlyph(uint8_t byte) {
    static std::once_flag once;
    static char16_t table[256];
    std::call_once(once, [] {
        for (int b = 0; b < 256; ++b) {
            const char ch = static_cast<char>(b);
            const QString u = CodepageToUnicode(QByteArrayView(&ch, 1), EncodingOEM);
            table[b] = u.size() == 1 ? u.at(0).unicode() : u'?';
        }
        for (int b = 0; b < 32; ++b)
            table[b] = DosControlGlyphs[b];
        table[0x7F] = DosHouseGlyph;
    });
    return table[byte];
}

QString OemGlyphs(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(OemGlyph(static_cast<uint8_t>(bytes[i])));
    return out;
}
