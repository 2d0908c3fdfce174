// fuzz_stream_search.cpp — the block search over a memory stream against a naive search of the
// whole decoded stream.
//
// Input: the encoding, the options, a stream size (often a few bytes either side of a block edge),
// a small alphabet and a seed for the stream's bytes, a pattern (a piece of the decoded stream or
// text of its own), where copies of the pattern's bytes are planted (across block edges), a start
// offset and a few FindNext steps in either direction.
//
// The reference decodes the whole stream once with byte offsets, folds both sides as the engine's
// contract says, and looks for the nearest match in the search direction, with whole words bounded
// by separators except at the stream's ends and at the start position. Its answer is compared
// exactly wherever block decoding cannot differ from whole decoding: UTF-16, pages of one byte per
// character, and forward searches in multi-byte pages without shift states. Everywhere a match
// must cover at least one byte inside the stream, and each FindNext must move past the match
// before it.
#include "Codepage.h"
#include "FuzzCheck.h"
#include "QXStreamSearch.h"
#include "QXxCodepages.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>
#include <optional>
#include <vector>

namespace {

struct Decoded {
    QString units;
    QString keys;
    std::vector<int64_t> offsets;
    int64_t size = 0;
    int32_t charSize = 1;

    qsizetype Count() const { return units.size(); }
    int64_t EndOf(qsizetype i) const { return i < Count() ? offsets[i] : size; }
};

Decoded DecodeWhole(const QByteArray& stream, TQXEncoding encoding, bool caseSensitive) {
    Decoded d;
    d.size = stream.size();
    if (encoding < 0) {
        d.charSize = 2;
        const qsizetype n = stream.size() / 2;
        for (qsizetype i = 0; i < n; ++i) {
            const auto first = static_cast<unsigned char>(stream[2 * i]);
            const auto second = static_cast<unsigned char>(stream[2 * i + 1]);
            d.units.append(QChar(encoding == EncodingUnicodeBE ? char16_t(first << 8 | second)
                                                               : char16_t(second << 8 | first)));
            d.offsets.push_back(2 * i);
        }
        d.size = 2 * n;
        d.keys = d.units;
        if (!caseSensitive)
            WideLowerCase(d.keys);
        return d;
    }
    d.units = CodepageToUnicode(stream, encoding, d.offsets);
    d.keys = d.units;
    if (!caseSensitive) {
        for (QChar& c : d.keys)
            c = QChar(AnsiFoldUnit(c.unicode()));
    }
    return d;
}

QString FoldPattern(QString text, TQXEncoding encoding, bool caseSensitive) {
    if (caseSensitive)
        return text;
    if (encoding < 0) {
        WideLowerCase(text);
        return text;
    }
    for (QChar& c : text)
        c = QChar(AnsiFoldUnit(c.unicode()));
    return text;
}

struct Match {
    int64_t start = -1;
    int64_t length = 0;
    int64_t firstCharLength = 0;
    int64_t lastCharStart = 0;
};

class Reference {
public:
    Reference(const Decoded& d, const QString& pattern, bool wholeWords)
        : D(d), Pattern(pattern), WholeWords(wholeWords) {}

    // The search of SearchFrom from a byte offset already aligned and clamped; nothing when the
    // clamping rules end the search.
    std::optional<Match> From(int64_t pos, bool forward) const {
        const int64_t maxPos = D.size >= D.charSize ? D.size - D.size % D.charSize - D.charSize : 0;
        if (D.size < D.charSize)
            return std::nullopt;
        pos = pos / D.charSize * D.charSize;
        if (pos > maxPos) {
            if (forward)
                return std::nullopt;
            pos = maxPos;
        }
        if (pos < 0) {
            if (!forward)
                return std::nullopt;
            pos = 0;
        }
        const qsizetype length = Pattern.size();
        const qsizetype last = D.Count() - length;
        if (forward) {
            for (qsizetype i = 0; i <= last; ++i) {
                if (D.offsets[i] >= pos && IsMatch(i, pos, forward))
                    return MatchAt(i);
            }
        } else {
            for (qsizetype i = last; i >= 0; --i) {
                if (D.offsets[i + length - 1] <= pos && IsMatch(i, pos, forward))
                    return MatchAt(i);
            }
        }
        return std::nullopt;
    }

private:
    bool IsMatch(qsizetype i, int64_t pos, bool forward) const {
        const qsizetype length = Pattern.size();
        for (qsizetype k = 0; k < length; ++k) {
            if (D.keys[i + k] != Pattern[k])
                return false;
        }
        if (!WholeWords)
            return true;
        const bool before =
            i == 0 || (forward && D.offsets[i] == pos) || IsWordSeparator(D.units[i - 1].unicode());
        const bool after = i + length == D.Count() ||
                           (!forward && D.offsets[i + length - 1] == pos) ||
                           IsWordSeparator(D.units[i + length].unicode());
        return before && after;
    }

    Match MatchAt(qsizetype i) const {
        Match m;
        m.start = D.offsets[i];
        m.length = D.EndOf(i + Pattern.size()) - m.start;
        qsizetype second = i + 1;
        while (second < D.Count() && D.offsets[second] == D.offsets[i])
            ++second;
        m.firstCharLength = D.EndOf(second) - m.start;
        m.lastCharStart = D.offsets[i + Pattern.size() - 1];
        return m;
    }

    const Decoded& D;
    const QString Pattern;
    const bool WholeWords;
};

// True when every byte decodes to one unit of its own (the page needs no decoding by boundaries).
bool IsOneUnitPerByte(TQXEncoding encoding) {
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = static_cast<char>(b);
    std::vector<int64_t> offsets;
    const QString text = CodepageToUnicode(all, encoding, offsets);
    if (text.size() != 256)
        return false;
    for (int b = 0; b < 256; ++b) {
        if (offsets[b] != b)
            return false;
    }
    return true;
}

QString TextFromInput(FuzzedDataProvider& fdp) {
    static const char16_t Letters[] = u"abAB _-.\u00e9\u00c9\u0430\u0410\u4e00";
    constexpr int LetterCount = sizeof(Letters) / sizeof(Letters[0]) - 1;
    QString text;
    const int length = fdp.ConsumeIntegralInRange(1, 6);
    for (int k = 0; k < length; ++k) {
        const auto b = fdp.ConsumeIntegral<uint8_t>();
        text.append(b < 128 ? QChar(Letters[b % LetterCount]) : QChar(char16_t(b)));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const TQXEncoding encoding = fdp.ConsumeIntegralInRange(-2, CodepageCount - 1);
    TQXSearchOptions options;
    if (fdp.ConsumeBool())
        options |= soCaseSensitive;
    if (fdp.ConsumeBool())
        options |= soWholeWords;
    if (fdp.ConsumeBool())
        options |= soBackward;
    int64_t streamSize = 0;
    switch (fdp.ConsumeIntegralInRange(0, 2)) {
    case 0:
        streamSize = fdp.ConsumeIntegralInRange<int64_t>(0, 300);
        break;
    case 1:
        streamSize = fdp.ConsumeIntegralInRange<int64_t>(1, 3) * SearchBlockSize +
                     fdp.ConsumeIntegralInRange<int64_t>(-24, 24);
        break;
    default:
        streamSize = fdp.ConsumeIntegralInRange<int64_t>(0, 3 * SearchBlockSize + 100);
        break;
    }

    // The stream: bytes of a small alphabet, now and then any byte.
    const std::string alphabet = fdp.ConsumeRandomLengthString(8);
    const int noise = fdp.ConsumeIntegralInRange(0, 16);
    fuzz::Rng rng(fdp.ConsumeIntegral<uint64_t>());
    QByteArray stream(static_cast<qsizetype>(streamSize), '\0');
    for (char& c : stream) {
        const uint64_t r = rng.Next();
        c = alphabet.empty() || static_cast<int>(r % 16) < noise
                ? static_cast<char>(r >> 8)
                : alphabet[(r >> 8) % alphabet.size()];
    }

    const bool caseSensitive = options.testFlag(soCaseSensitive);
    QString pattern;
    QByteArray patternBytes;
    if (fdp.ConsumeBool() && !stream.isEmpty()) {
        // A piece of the stream's own text, from a character's first unit.
        const Decoded d = DecodeWhole(stream, encoding, /*caseSensitive=*/true);
        if (d.Count() > 0) {
            qsizetype from = fdp.ConsumeIntegralInRange<qsizetype>(0, d.Count() - 1);
            while (from > 0 && d.offsets[from - 1] == d.offsets[from])
                --from;
            const qsizetype length =
                std::min<qsizetype>(fdp.ConsumeIntegralInRange(1, 8), d.Count() - from);
            pattern = d.units.mid(from, length);
            patternBytes = stream.mid(d.offsets[from], d.EndOf(from + length) - d.offsets[from]);
        }
    }
    if (pattern.isEmpty()) {
        pattern = TextFromInput(fdp);
        if (encoding >= 0) {
            patternBytes = platform::EncodeCodepage(CodepageID(encoding), pattern);
        } else {
            for (QChar c : pattern) {
                const char16_t u = c.unicode();
                const char hi = static_cast<char>(u >> 8);
                const char lo = static_cast<char>(u & 0xFF);
                patternBytes.append(encoding == EncodingUnicodeBE ? hi : lo);
                patternBytes.append(encoding == EncodingUnicodeBE ? lo : hi);
            }
        }
    }
    // Copies of the pattern's bytes around block edges and at random places.
    const int plants = fdp.ConsumeIntegralInRange(0, 8);
    for (int k = 0; k < plants && !patternBytes.isEmpty(); ++k) {
        const int64_t edge = fdp.ConsumeIntegralInRange<int64_t>(0, 3) * SearchBlockSize;
        int64_t at = fdp.ConsumeBool() ? edge + fdp.ConsumeIntegralInRange<int64_t>(-12, 4)
                                       : static_cast<int64_t>(rng.Below(streamSize + 1));
        for (qsizetype i = 0; i < patternBytes.size(); ++i) {
            if (at + i >= 0 && at + i < streamSize)
                stream[at + i] = patternBytes[i];
        }
    }

    const Decoded whole = DecodeWhole(stream, encoding, caseSensitive);
    const QString folded = FoldPattern(pattern, encoding, caseSensitive);
    const bool supported = encoding < 0 || IsCodepageSupported(encoding);
    const bool stateful =
        encoding >= 0 && fuzz::IsStatefulPage(platform::ResolveCodepage(CodepageID(encoding)));
    const bool fixed = encoding < 0 || (supported && IsOneUnitPerByte(encoding));
    // Forward blocks of a multi-byte page start at a boundary found by decoding, so they decode as
    // the whole stream does; backward blocks guess their first boundary.
    const bool exactForward = supported && !stateful;
    const bool exactBackward = fixed;

    // A start at a character boundary (what the engine requires of multi-byte pages), or past
    // either end.
    int64_t start = 0;
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 0:
        break;
    case 1:
        if (whole.Count() > 0)
            start = whole.offsets[fdp.ConsumeIntegralInRange<qsizetype>(0, whole.Count() - 1)];
        break;
    case 2:
        start = fdp.ConsumeBool() ? streamSize + fdp.ConsumeIntegralInRange(0, 5)
                                  : -fdp.ConsumeIntegralInRange(1, 5);
        break;
    default:
        start = fixed ? fdp.ConsumeIntegralInRange<int64_t>(0, streamSize + 2) : 0;
        break;
    }

    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    TQXStreamSearch search;
    search.SetStream(&buffer);
    const Reference reference(whole, folded, options.testFlag(soWholeWords));

    bool backward = options.testFlag(soBackward);
    int64_t firstPos = start;
    if (backward && firstPos == 0)
        firstPos = std::numeric_limits<int64_t>::max();
    std::optional<Match> expected = reference.From(firstPos, !backward);
    bool found = search.FindFirst(pattern, encoding, options, start);
    // Whether the reference still knows where the engine stands: it follows the engine only
    // through steps whose answers it can predict.
    bool tracking = backward ? exactBackward : exactForward;

    const int steps = fdp.ConsumeIntegralInRange(0, 4);
    for (int step = 0;; ++step) {
        if (found) {
            FUZZ_CHECK(search.FoundStart() >= 0);
            FUZZ_CHECK(search.FoundLength() >= 1);
            FUZZ_CHECK(search.FoundStart() + search.FoundLength() <= streamSize);
        } else {
            FUZZ_CHECK(search.FoundStart() == -1 && search.FoundLength() == 0);
        }
        if (tracking) {
            FUZZ_CHECK(found == expected.has_value());
            if (found) {
                FUZZ_CHECK(search.FoundStart() == expected->start);
                FUZZ_CHECK(search.FoundLength() == expected->length);
            }
        }
        if (step == steps)
            break;

        const bool previous = fdp.ConsumeBool();
        const int64_t oldStart = search.FoundStart();
        const int64_t oldLength = search.FoundLength();
        const bool wasFound = found;
        // The reference steps from the match it found (or from -1), as the engine does.
        Match from = expected.value_or(Match{});
        if (!expected) {
            from.firstCharLength = whole.charSize;
            from.lastCharStart = -1 + static_cast<int64_t>(pattern.size() - 1) * whole.charSize;
        }
        backward = options.testFlag(soBackward) != previous;
        tracking = tracking && (backward ? exactBackward : exactForward);
        if (tracking) {
            expected = reference.From(backward ? from.lastCharStart - whole.charSize
                                               : from.start + from.firstCharLength,
                                      !backward);
        }
        found = search.FindNext(previous);
        // Each step leaves the match it started from behind.
        if (wasFound && found) {
            if (backward)
                FUZZ_CHECK(search.FoundStart() != oldStart || search.FoundLength() != oldLength);
            else
                FUZZ_CHECK(search.FoundStart() > oldStart);
        }
    }
    return 0;
}
