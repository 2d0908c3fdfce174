// fuzz_string_helpers.cpp — the string and hex helpers against plain references written from their
// contracts: tabs, hex text, BytesToWide, the replace functions, FormatW with hostile formats and
// the file-name helpers.
#include "FuzzCheck.h"
#include "QXxAssert.h"
#include "QXxSHex.h"
#include "QXxSProc.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

// Characters the helpers treat specially, so that short inputs meet them often; a byte past the
// table's end stands for itself widened (Latin-1), and 0xFF for a lone surrogate.
const char16_t Alphabet[] = u"ab%s.,\\:/\t \0A";
constexpr int AlphabetSize = sizeof(Alphabet) / sizeof(Alphabet[0]) - 1;

QString TakeText(FuzzedDataProvider& fdp, size_t maxLength) {
    const std::string raw = fdp.ConsumeRandomLengthString(maxLength);
    QString text;
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 2 * AlphabetSize)
            text.append(QChar(Alphabet[b % AlphabetSize]));
        else if (b == 0xFF)
            text.append(QChar(char16_t{0xD800}));
        else if (b == 0xFE)
            text.append(QChar(char16_t{0x4E00}));
        else
            text.append(QChar(b));
    }
    return text;
}

QString FormatReference(const QString& fmt, const QStringList& args) {
    // Only the format's own "%s" are ever replaced, so walking the format once is enough.
    QString out;
    qsizetype pos = 0;
    for (const QString& arg : args) {
        qsizetype k = -1;
        for (qsizetype i = pos; i + 1 < fmt.size(); ++i) {
            if (fmt[i] == QLatin1Char('%') && fmt[i + 1] == QLatin1Char('s')) {
                k = i;
                break;
            }
        }
        if (k < 0)
            break;
        out += fmt.mid(pos, k - pos);
        out += arg;
        pos = k + 2;
    }
    out += fmt.mid(pos);
    return out;
}

qsizetype NaiveIndexOf(const QString& s, const QString& from) {
    for (qsizetype i = 0; i + from.size() <= s.size(); ++i) {
        qsizetype k = 0;
        while (k < from.size() && s[i + k] == from[k])
            ++k;
        if (k == from.size())
            return i;
    }
    return -1;
}

// Every occurrence, left to right without overlaps, replaced once.
QString ReplaceEachOnce(const QString& s, const QString& from, const QString& to) {
    QString out;
    qsizetype i = 0;
    while (i < s.size()) {
        if (i + from.size() <= s.size() && s.mid(i, from.size()) == from) {
            out += to;
            i += from.size();
        } else {
            out += s[i];
            ++i;
        }
    }
    return out;
}

QString ReplaceAllReference(QString s, const QString& from, const QString& to) {
    if (from.isEmpty())
        return s;
    if (NaiveIndexOf(to, from) >= 0)
        return ReplaceEachOnce(s, from, to);
    qsizetype work = 0;
    for (;;) {
        const qsizetype at = NaiveIndexOf(s, from);
        if (at < 0)
            return s;
        work += s.size();
        if (work > ReplaceAllWorkLimit)
            return ReplaceEachOnce(s, from, to);
        s = s.left(at) + to + s.mid(at + from.size());
    }
}

bool IsPathDelimiter(QChar c) {
    return c == QLatin1Char('.') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
           c == QLatin1Char('/');
}

QString ExtReference(const QString& name) {
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (IsPathDelimiter(name[i]))
            return name[i] == QLatin1Char('.') ? name.mid(i) : QString();
    }
    return {};
}

char16_t FoldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool ExtInListReference(const QString& name, const QByteArray& list) {
    const QString ext = ExtReference(name).mid(1);
    if (ext.isEmpty() || list.isEmpty())
        return false;
    qsizetype entryStart = 0;
    for (qsizetype i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',')
            continue;
        const qsizetype length = i - entryStart;
        bool same = length == ext.size() && length > 0;
        for (qsizetype k = 0; same && k < length; ++k) {
            const auto b = static_cast<unsigned char>(list[entryStart + k]);
            same = FoldAscii(b) == FoldAscii(ext[k].unicode());
        }
        if (same)
            return true;
        entryStart = i + 1;
    }
    return false;
}

void CheckFormat(FuzzedDataProvider& fdp) {
    const QString fmt = TakeText(fdp, 64);
    QStringList args;
    const int count = fdp.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i)
        args.append(TakeText(fdp, 16));
    FUZZ_CHECK(FormatW(fmt, args) == FormatReference(fmt, args));
}

void CheckReplace(FuzzedDataProvider& fdp) {
    const QString from = TakeText(fdp, 6);
    const QString to = TakeText(fdp, 8);
    const QString s = TakeText(fdp, 96);

    QString first = s;
    ReplaceFirstW(first, from, to);
    const qsizetype at = from.isEmpty() ? -1 : NaiveIndexOf(s, from);
    FUZZ_CHECK(first == (at < 0 ? s : s.left(at) + to + s.mid(at + from.size())));

    QString all = s;
    ReplaceAllW(all, from, to);
    FUZZ_CHECK(all == ReplaceAllReference(s, from, to));
}

void CheckTabs(FuzzedDataProvider& fdp) {
    TabExpandOptions options;
    options.TabSize = fdp.ConsumeIntegralInRange<int32_t>(-2, 40);
    options.AlignToStops = fdp.ConsumeBool();
    options.ShowMark = fdp.ConsumeBool();
    options.MarkChar = fdp.ConsumeBool() ? u'\t' : fdp.ConsumeIntegral<char16_t>();
    options.TabPos = fdp.ConsumeIntegralInRange<int32_t>(-3, 100);
    const QString s = TakeText(fdp, 80);

    if (options.TabSize <= 0) {
        bool thrown = false;
        try {
            TabSpaces(options);
        } catch (const EAssertionFailed&) {
            thrown = true;
        }
        FUZZ_CHECK(thrown);
        return;
    }
    const auto spacesFor = [&](int32_t tabPos, int* mark) {
        int n = options.TabSize;
        if (options.AlignToStops) {
            const int column = (tabPos < 1 ? 1 : tabPos) - 1;
            n = options.TabSize - column % options.TabSize;
        }
        QString spaces;
        for (int i = 1; i <= n; ++i)
            spaces +=
                (options.ShowMark && i == n / 2 + 1) ? QChar(options.MarkChar) : QLatin1Char(' ');
        *mark = n / 2 + 1;
        return spaces;
    };
    int mark = -1;
    int expectedMark = -2;
    FUZZ_CHECK(TabSpaces(options, &mark) == spacesFor(options.TabPos, &expectedMark));
    FUZZ_CHECK(mark == expectedMark);

    QString expected;
    int32_t lastTab = options.TabPos;
    for (QChar c : s) {
        if (c != QLatin1Char('\t')) {
            expected += c;
            continue;
        }
        lastTab = static_cast<int32_t>(expected.size() + 1);
        expected += spacesFor(lastTab, &mark);
    }
    QString expanded = s;
    ExpandTabs(expanded, options);
    FUZZ_CHECK(expanded == expected);
    FUZZ_CHECK(options.TabPos == lastTab);
}

void CheckBytes(FuzzedDataProvider& fdp) {
    const std::string raw = fdp.ConsumeRandomLengthString(300);
    const bool swap = fdp.ConsumeBool();

    std::string hex;
    for (size_t i = 0; i < raw.size(); ++i) {
        char cell[4];
        std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X",
                      static_cast<unsigned char>(raw[i]));
        hex += i == 0 ? std::string(cell, 2) : std::string(cell, 3);
    }
    const QByteArray hexText = BytesToHexText(QByteArrayView(raw.data(), raw.size()));
    FUZZ_CHECK(hexText == QByteArray::fromStdString(hex));

    const auto count = static_cast<int32_t>(raw.size());
    const QString wide = BytesToWide(raw.data(), count, swap);
    FUZZ_CHECK(wide.size() == (count < 2 ? 0 : count / 2));
    for (qsizetype i = 0; i < wide.size(); ++i) {
        const auto lo = static_cast<unsigned char>(raw[2 * i + (swap ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(raw[2 * i + (swap ? 0 : 1)]);
        FUZZ_CHECK(wide[i].unicode() == (hi * 256 + lo));
    }

    QByteArray zeros = QByteArray::fromStdString(raw);
    ZerosToSpaces(zeros);
    FUZZ_CHECK(zeros.size() == count);
    for (int32_t i = 0; i < count; ++i)
        FUZZ_CHECK(zeros[i] == (raw[i] == '\0' ? ' ' : raw[i]));
}

void CheckNames(FuzzedDataProvider& fdp) {
    const QString name = TakeText(fdp, 40);
    const std::string listRaw = fdp.ConsumeRandomLengthString(40);
    QByteArray list;
    for (const char c : listRaw) {
        const auto b = static_cast<unsigned char>(c);
        // Mostly commas, letters of both cases and the name's own characters.
        list.append(b < 0x40 ? ",aAbB.%s"[b % 8] : c);
    }
    const QString delims = TakeText(fdp, 4);

    int lastPos = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (delims.contains(name[i]))
            lastPos = static_cast<int>(i + 1);
    }
    FUZZ_CHECK(LastDelimiterPos(delims, name) == lastPos);
    FUZZ_CHECK(ExtractFileExtW(name) == ExtReference(name));

    bool highChars = false;
    for (QChar c : ExtReference(name))
        highChars = highChars || c.unicode() > 0xFF;
    FUZZ_CHECK(IsFileExtInList(name, list) == (!highChars && ExtInListReference(name, list)));

    QString trimmed = name;
    TrimLastBlank(trimmed);
    const bool blank =
        !name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QLatin1Char('\t'));
    FUZZ_CHECK(trimmed == (blank ? name.left(name.size() - 1) : name));

    QString noZeros = name;
    ZerosToSpacesW(noZeros);
    FUZZ_CHECK(noZeros.size() == name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        FUZZ_CHECK(noZeros[i] == (name[i].unicode() == 0 ? QLatin1Char(' ') : name[i]));

    const int n = fdp.ConsumeIntegralInRange(-5, 50);
    const QString repeated = RepeatCharW(QChar(u'x'), n);
    FUZZ_CHECK(repeated.size() == (n > 0 ? n : 0));
    FUZZ_CHECK(repeated.count(QLatin1Char('x')) == repeated.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    switch (fdp.ConsumeIntegralInRange(0, 4)) {
    case 0:
        CheckFormat(fdp);
        break;
    case 1:
        CheckReplace(fdp);
        break;
    case 2:
        CheckTabs(fdp);
        break;
    case 3:
        CheckBytes(fdp);
        break;
    default:
        CheckNames(fdp);
        break;
    }
    return 0;
}
