// QXBinHexText.cpp — the line model of the text modes (breaks, wrapping), line numbers and the
// URL table.
#include "QXBinHex_p.h"

#include "QXxCodepages.h"
#include "QXxSProc.h"

#include <algorithm>
#include <string>

// ---- Reading lines ------------------------------------------------------------------------------

bool TQXBinHexPrivate::InBufferAndData(TOffset pos) const {
    return pos >= 0 && pos <= PosLast() && Buffer.Holds(pos);
}

char16_t TQXBinHexPrivate::LineCharAt(TOffset pos) {
    return InBufferAndData(pos) ? GetChar(pos) : 0;
}

QString TQXBinHexPrivate::LineToUnicode(const QString& chars) const {
    if (CharSize() == 2)
        return chars;
    QByteArray bytes(chars.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < chars.size(); ++i)
        bytes[i] = static_cast<char>(chars.at(i).unicode());
    if (!TextFontIsOem())
        return CodepageToUnicode(bytes, OneByteEncoding());
    // The OEM font shows every byte as its own glyph; tabs stay tabs so that they are expanded.
    QString shown = OemGlyphs(bytes);
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (chars.at(i) == u'\t')
            shown[i] = u'\t';
    }
    return shown;
}

int TQXBinHexPrivate::WrapPoint(const QString& str, int k) {
    const int length = static_cast<int>(str.size());
    for (int i = std::min(k + 1, length); i >= 1; --i) {
        const QChar c = str.at(i - 1);
        if (c == u' ' || c == u'\t' || c == u'\\')
            return i;
    }
    return k;
}

TQXBinHexPrivate::TLineChars TQXBinHexPrivate::ReadLineChars(bool forward, TOffset pos) {
    TLineChars line;
    if (pos < 0)
        return line;
    const int cs = CharSize();
    pos -= pos % cs;
    if (!forward) {
        pos = std::min(pos, PosLast());
        if (!InBufferAndData(pos))
            return line;
    }
    QString chars;
    chars.reserve(MaxLength);
    TOffset p = pos;
    for (int i = 0; i < MaxLength && InBufferAndData(p); ++i) {
        const char16_t c = GetChar(p);
        if (IsLineBreakChar(c))
            break;
        chars += QChar(c);
        p += forward ? cs : -cs;
    }
    line.Count = static_cast<int>(chars.size());

    // Converting first measures the glyphs that are drawn; where the conversion does not keep one
    // character per source character, the source characters are measured instead.
    QString shown = LineToUnicode(chars);
    const bool oneToOne = shown.size() == chars.size();
    if (FTextWrap && line.Count > 0) {
        const QString& measured = oneToOne ? shown : chars;
        const QFont font = TextFont();
        const TQXBinHexOutputOptions options = OutputOptions(false);
        const int avail = PageBitmap.deviceIndependentSize().toSize().width() - LeftMargin();
        TExtents extents;
        if (OutputTextWidth(font, measured, options) > avail &&
            OutputTextExtents(font, measured, extents, options)) {
            int k = line.Count;
            while (k >= 1 && extents[static_cast<size_t>(k)] > avail)
                --k;
            line.Count = k >= 1 ? WrapPoint(measured, k) : 1;
            chars.truncate(line.Count);
            shown = oneToOne ? shown.left(line.Count) : LineToUnicode(chars);
            const qsizetype before = shown.size();
            TrimLastBlank(shown);
            line.Length = line.Count - static_cast<int>(before - shown.size());
            line.Str = shown;
            return line;
        }
    }
    line.Length = line.Count;
    line.Str = shown;
    return line;
}

void TQXBinHexPrivate::SkipBackOverCRLF(TOffset& pos) {
    if (FMode != vbmodeText && FMode != vbmodeUnicode)
        return;
    if (LineCharAt(pos) == 10 && LineCharAt(pos - CharSize()) == 13)
        pos -= CharSize();
}

bool TQXBinHexPrivate::StepToLineStart(TOffset& pos) {
    SkipBackOverCRLF(pos);
    const TOffset s = pos - CharSize();
    if (!InBufferAndData(s))
        return true;
    const int m = ReadLineChars(/*forward=*/false, s).Count;
    if (m <= 0)
        return false;
    pos -= static_cast<TOffset>(m) * CharSize();
    return true;
}

TOffset TQXBinHexPrivate::FindLineStart(TOffset pos, bool forward, bool start, TLineChars* line) {
    if (pos < 0)
        return -1;
    const int cs = CharSize();
    TOffset q = pos - pos % cs;
    if (!forward)
        q = std::min(q, PosLast());
    SkipBackOverCRLF(q);

    if (forward) {
        TLineChars chars = ReadLineChars(/*forward=*/true, q);
        q += static_cast<TOffset>(chars.Count) * cs;
        if (line)
            *line = std::move(chars);
        const char16_t c = LineCharAt(q);
        if (c == 10) {
            q += cs;
        } else if (c == 13) {
            q += cs;
            if (LineCharAt(q) == 10)
                q += cs;
        }
        return InBufferAndData(q) ? q : -1;
    }

    const int n = ReadLineChars(/*forward=*/false, q).Count;
    if (start && n <= 1) {
        if (n == 0)
            StepToLineStart(q);
        return q;
    }
    if (n >= 2) {
        q -= static_cast<TOffset>(n - 1) * cs;
        return InBufferAndData(q) ? q : -1;
    }
    if (n == 1) {
        q -= cs;
        if (!InBufferAndData(q))
            return -1;
    }
    if (!StepToLineStart(q) && n == 0) {
        q -= cs;
        StepToLineStart(q);
    }
    return InBufferAndData(q) ? q : -1;
}

bool TQXBinHexPrivate::EndsWithBreak(TOffset pos, int length) {
    const TOffset d = pos + static_cast<TOffset>(length) * CharSize();
    return InBufferAndData(d) && IsLineBreakChar(GetChar(d));
}

bool TQXBinHexPrivate::StartsTextLine(TOffset pos) {
    const TOffset before = pos - CharSize();
    return !InBufferAndData(before) || IsLineBreakChar(GetChar(before));
}

// ---- Line numbers -------------------------------------------------------------------------------

bool TQXBinHexPrivate::LineNumbersShown() const {
    if ((FMode != vbmodeText && FMode != vbmodeUnicode) || !FTextGutter || !FTextGutterLines)
        return false;
    if (!FTextGutterLinesExtUse)
        return true;
    // A stream has no name of its own, even while the name of an earlier file is kept.
    return FileSourceType == vfSrcFile &&
           IsFileExtInList(FileName, FTextGutterLinesExtList.toLatin1());
}

bool TQXBinHexPrivate::BuildLineTable(int byteCount) {
    TextModel.LineCount = 0;
    TextModel.LineStarts.assign(static_cast<size_t>(FTextGutterLinesCount), 0);
    std::vector<uint8_t> block(static_cast<size_t>(std::max(byteCount, 1)));
    int got = 0;
    if (!ReadSource(block.data(), byteCount, got, 0))
        return false;

    const int cs = CharSize();
    const bool bigEndian = FileUnicodeFmt == vfUnicodeBE;
    // In the two-byte modes only breaks in the ASCII range count: a unit whose high byte is 0.
    auto code = [&](int p) -> uint8_t {
        if (cs == 1)
            return block[static_cast<size_t>(p)];
        const uint8_t b0 = block[static_cast<size_t>(p)];
        const uint8_t b1 = block[static_cast<size_t>(p) + 1];
        const uint8_t high = bigEndian ? b0 : b1;
        return high == 0 ? (bigEndian ? b1 : b0) : 0;
    };
    auto evenDown = [&](int v) { return cs == 2 ? (v & ~1) : v; };
    const int end1 = evenDown(got - cs);
    const int end2 = evenDown(got - 2 * cs);
    int p = 0;
    for (;;) {
        while (p < end1 && code(p) != 10 && code(p) != 13)
            p += cs;
        if (p < end2 && code(p) == 13 && code(p + cs) == 10)
            p += cs;
        p += cs;
        if (p > end1 || TextModel.LineCount >= FTextGutterLinesCount - 1)
            break;
        TextModel.LineStarts[static_cast<size_t>(TextModel.LineCount++)] = p;
    }
    return true;
}

int TQXBinHexPrivate::LineNumber(TOffset pos) const {
    if (pos == 0)
        return 1;
    const auto first = TextModel.LineStarts.begin();
    const auto last =
        first + std::min<ptrdiff_t>(TextModel.LineCount,
                                    static_cast<ptrdiff_t>(TextModel.LineStarts.size()));
    const auto it =
        std::lower_bound(first, last, pos, [](int32_t start, TOffset p) { return start < p; });
    return it != last && *it == pos ? static_cast<int>(it - first) + 2 : 0;
}

// ---- URLs ---------------------------------------------------------------------------------------

void TQXBinHexPrivate::ClearUrls() {
    TextModel.UrlTable.fill(TQXUrl{});
}

void TQXBinHexPrivate::DetectUrls(TOffset pos) {
    if (!Buffer.Allocated()) {
        ClearUrls();
        return;
    }
    const int cs = CharSize();
    TOffset valid = std::clamp<TOffset>(FileSize - Buffer.Pos, 0, Buffer.Size());
    valid -= valid % cs;
    if (cs == 1) {
        FillUrlTable(FindUrls(Buffer.View(Buffer.Pos, valid), Buffer.Pos), pos, TextModel.UrlTable);
        return;
    }
    const TByteOrder order = SourceByteOrder();
    std::u16string units(static_cast<size_t>(valid / 2), u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = Buffer.UnitAt(Buffer.Pos + 2 * static_cast<TOffset>(i), order);
    FillUrlTable(FindUrls(units, Buffer.Pos), pos, TextModel.UrlTable);
}

std::vector<std::pair<TOffset, int64_t>> TQXBinHexPrivate::UrlRanges() const {
    std::vector<std::pair<TOffset, int64_t>> ranges;
    for (const TQXUrl& entry : TextModel.UrlTable) {
        if (entry.Url.isEmpty())
            break;
        ranges.emplace_back(entry.Pos, entry.Url.size());
    }
    return ranges;
}

QByteArray TQXBinHexPrivate::UrlAt(TOffset pos) const {
    if (pos < 0)
        return {};
    for (const TQXUrl& entry : TextModel.UrlTable) {
        if (entry.Url.isEmpty())
            break;
        if (entry.Pos <= pos &&
            pos < entry.Pos + static_cast<TOffset>(entry.Url.size()) * CharSize())
            return entry.Url;
    }
    return {};
}

void TQXBinHexPrivate::ClickUrl(TOffset pos) {
    QByteArray url = UrlAt(pos);
    if (url.isEmpty())
        return;
    if (!url.contains("://") && !url.startsWith("www."))
        url.prepend("mailto:");
    NotifyClickUrl(url);
}
