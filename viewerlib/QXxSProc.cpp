// QXxSProc.cpp — small number and string helpers.
#include "QXxSProc.h"

#include "QXxAssert.h"

#include <algorithm>

QString FormatW(const QString& fmt, const QStringList& args) {
    QString result = fmt;
    qsizetype from = 0;
    for (const QString& arg : args) {
        const qsizetype at = result.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        result.replace(at, 2, arg);
        from = at + arg.size();
    }
    return result;
}

int32_t Min32(int32_t a, int32_t b) {
    return a < b ? a : b;
}
int32_t Max32(int32_t a, int32_t b) {
    return a > b ? a : b;
}
int64_t Min64(int64_t a, int64_t b) {
    return a < b ? a : b;
}
int64_t Max64(int64_t a, int64_t b) {
    return a > b ? a : b;
}

namespace {

template <typename T> void RaiseTo(T& value, T bound) {
    if (value < bound)
        value = bound;
}

template <typename T> void LowerTo(T& value, T bound) {
    if (value > bound)
        value = bound;
}

} // namespace

void ClampLow(int32_t& value, int32_t bound) {
    RaiseTo(value, bound);
}

void ClampHigh(int32_t& value, int32_t bound) {
    LowerTo(value, bound);
}

void ClampLow64(int64_t& value, int64_t bound) {
    RaiseTo(value, bound);
}

void ClampHigh64(int64_t& value, int64_t bound) {
    LowerTo(value, bound);
}

void ReplaceFirstW(QString& s, const QString& from, const QString& to) {
    if (from.isEmpty())
        return;
    const qsizetype at = s.indexOf(from);
    if (at >= 0)
        s.replace(at, from.size(), to);
}

void ReplaceAllW(QString& s, const QString& from, const QString& to) {
    if (from.isEmpty())
        return;
    if (to.contains(from)) {
        s.replace(from, to);
        return;
    }
    // The text before a replaced occurrence holds none, so a search restarted from the beginning
    // can only find one that reaches into or past the inserted text: start where such one could.
    // A replacement can also make a new occurrence out of its neighbours ("ab" → "bba" in "aab"),
    // and such a chain may grow without end; past a budget of work, the occurrences left are
    // replaced once each, as when to contains from.
    qsizetype work = 0;
    qsizetype at = 0;
    while ((at = s.indexOf(from, at)) >= 0) {
        work += s.size();
        if (work > ReplaceAllWorkLimit) {
            s = s.left(at) + s.mid(at).replace(from, to);
            return;
        }
        s.replace(at, from.size(), to);
        at = std::max<qsizetype>(0, at - from.size() + 1);
    }
}

int LastDelimiterPos(const QString& delims, const QString& s) {
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        if (delims.contains(s[i]))
            return static_cast<int>(i + 1);
    }
    return 0;
}

QString ExtractFileExtW(const QString& fileName) {
    const int p = LastDelimiterPos(QStringLiteral(".\\:/"), fileName);
    if (p > 0 && fileName[p - 1] == QLatin1Char('.'))
        return fileName.mid(p - 1);
    return {};
}

namespace {

QByteArray AsciiLower(QByteArray s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

} // namespace

bool IsFileExtInList(const QString& fileName, const QByteArray& list) {
    if (fileName.isEmpty() || list.isEmpty())
        return false;
    const QString ext = ExtractFileExtW(fileName).mid(1);
    if (ext.isEmpty())
        return false;
    // The list is 8-bit; an extension with characters outside Latin-1 cannot be in it.
    for (QChar c : ext) {
        if (c.unicode() > 0xFF)
            return false;
    }
    // Compared entry by entry: an extension holding a comma would otherwise match two entries
    // together, and empty entries name no extension.
    const QByteArray wanted = AsciiLower(ext.toLatin1());
    for (const QByteArray& entry : list.split(',')) {
        if (!entry.isEmpty() && AsciiLower(entry) == wanted)
            return true;
    }
    return false;
}

void ZerosToSpaces(QByteArray& s) {
    s.replace('\0', ' ');
}

void ZerosToSpacesW(QString& s) {
    s.replace(QChar(0), QLatin1Char(' '));
}

void TrimLastBlank(QString& s) {
    if (!s.isEmpty() && (s.back() == QLatin1Char(' ') || s.back() == QLatin1Char('\t')))
        s.chop(1);
}

QString RepeatCharW(QChar ch, int n) {
    return n > 0 ? QString(n, ch) : QString();
}

QString TabSpaces(const TabExpandOptions& options, int* markPos) {
    if (options.TabSize <= 0)
        throw EAssertionFailed(TabSizeTooSmallText);
    int n = options.TabSize;
    if (options.AlignToStops)
        n -= (std::max(options.TabPos, 1) - 1) % options.TabSize;
    QString spaces(n, QLatin1Char(' '));
    const int middle = n / 2 + 1;
    if (options.ShowMark)
        spaces[middle - 1] = QChar(options.MarkChar);
    if (markPos)
        *markPos = middle;
    return spaces;
}

void ExpandTabs(QString& s, TabExpandOptions& options) {
    // Searching on after each expansion keeps a tab used as the mark from being expanded again.
    qsizetype at = 0;
    while ((at = s.indexOf(QLatin1Char('\t'), at)) >= 0) {
        options.TabPos = static_cast<int32_t>(at + 1);
        const QString spaces = TabSpaces(options);
        s.replace(at, 1, spaces);
        at += spaces.size();
    }
}

QString BytesToWide(const void* bytes, int32_t count, bool swap) {
    if (count < 2 || !bytes)
        return {};
    const int32_t units = count / 2;
    const auto* source = static_cast<const unsigned char*>(bytes);
    QString result(units, Qt::Uninitialized);
    char16_t* target = reinterpret_cast<char16_t*>(result.data());
    for (int32_t i = 0; i < units; ++i) {
        target[i] = Utf16Unit(source[2 * i], source[2 * i + 1],
                              swap ? TByteOrder::BigEndian : TByteOrder::LittleEndian);
    }
    return result;
}

bool IsLineBreakChar(char16_t c) {
    return c == 13 || c == 10;
}
