// QXStreamSearchDiffTest.cpp — the block search against a plain search over the whole decoded text,
// on random text with planted matches around the block boundaries, in every kind of encoding.
#include "QXStreamSearch.h"
#include "support/SearchReference.h"

#include <QBuffer>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using test::Bytes;
using test::DecodeAll;
using test::Decoded;
using test::Found;
using test::ProbeSearch;
using test::Reference;

struct Alphabet {
    QString background; // what fills the text between matches
    QString pattern;    // what patterns are made of
    QString neighbours; // what stands right before and after a planted match
};

class SearchDiff : public ::testing::TestWithParam<TQXEncoding> {
protected:
    std::mt19937 rng{static_cast<unsigned>(GetParam() + 1000)};

    int Random(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    QChar Pick(const QString& s) { return s[Random(static_cast<int>(s.size()))]; }

    Alphabet AlphabetOf(TQXEncoding encoding) const {
        switch (encoding) {
        case 10: // windows-1252
            return {u"xyzXYZ -_.\u00E9"_qs, u"abAB\u00C9\u00E9\u0160\u0161\u0178\u00FF\u00B5"_qs,
                    u"xa -_.\u00E9"_qs};
        case 40: // US-ASCII, whose high bytes repeat the low ones
            return {u"xyz -_"_qs, u"abAB"_qs, u"x -_"_qs};
        case 112: // Shift-JIS
            return {u"xyz -\u3042\u30A2\uFF21"_qs, u"ab\u304B\u30AB\uFF41"_qs, u"x -\u3042"_qs};
        case 97: // GBK without a byte below 0x80 between matches: read from the wrong byte, a run
                 // stays out of step until the next ASCII letter
            return {u"\u554A\u963F\u57C3\uFF41"_qs, u"ab\u963F\u4E04"_qs, u"\u554A\uFF41"_qs};
        default:
            return {u"xyz -_\u0436\u20AC"_qs, u"abABk\u212Ai\u0130\u0434\u0414"_qs,
                    u"xa -_\u0436"_qs};
        }
    }

    // A high byte for a 7-bit page reads as its low half: spread the text over both forms. UTF-8
    // gets bad sequences (cut, overlong, surrogate, stray) and byte order marks between characters.
    QByteArray Scramble(QByteArray bytes, TQXEncoding encoding) {
        if (encoding == 40) {
            for (char& b : bytes) {
                if (Random(2))
                    b = static_cast<char>(b | 0x80);
            }
        }
        if (encoding == 130) {
            static const std::array<QByteArray, 8> bad = {
                "\x80", "\xC3",         "\xE2\x82", "\xF0\x9F\x98",
                "\xFF", "\xED\xA0\x80", "\xC0\xAF", "\xEF\xBB\xBF"};
            QByteArray mixed;
            mixed.reserve(bytes.size() + bytes.size() / 64);
            for (const char b : bytes) {
                if ((static_cast<unsigned char>(b) & 0xC0) != 0x80 && Random(300) == 0)
                    mixed.append(
                        bad[static_cast<std::size_t>(Random(static_cast<int>(bad.size())))]);
                mixed.append(b);
            }
            return mixed;
        }
        return bytes;
    }

    // The pattern in a random case (its letters' cases mixed one by one, or all upper) at place,
    // with neighbours from the alphabet; at the very start or end of the text it has one.
    QString PlantAt(QString text, const QString& pattern, const Alphabet& alphabet,
                    qsizetype place) {
        const qsizetype m = pattern.size();
        if (place < 0 || place + m > text.size())
            return text;
        QString cased = pattern;
        for (QChar& c : cased) {
            if (Random(2))
                c = c.toUpper();
        }
        text.replace(place, m, Random(2) ? cased : pattern.toUpper());
        if (place > 0)
            text[place - 1] = Pick(alphabet.neighbours);
        if (place + m < text.size())
            text[place + m] = Pick(alphabet.neighbours);
        return text;
    }

    // The unit at or before a byte offset.
    static qsizetype UnitAt(const Decoded& d, int64_t offset) {
        const auto it = std::upper_bound(d.offsets.begin(), d.offsets.end(), offset);
        return std::max<qsizetype>(0, (it - d.offsets.begin()) - 1);
    }

    void Run(int rounds, int unitsPerText) {
        const TQXEncoding encoding = GetParam();
        const Alphabet alphabet = AlphabetOf(encoding);
        const int32_t charSize = CharSizeOf(encoding);
        const bool decodesWithOffsets = encoding == 130 || encoding == 112 || encoding == 97;
        // Found matches by direction, and those a whole block or more away from the start, which
        // only a search that crossed block boundaries reaches.
        int foundForward = 0;
        int foundBackward = 0;
        int foundBlocksAway = 0;
        int foundOverlapping = 0;
        for (int round = 0; round < rounds; ++round) {
            QString pattern;
            const int m = 1 + Random(5);
            for (int k = 0; k < m; ++k)
                pattern.append(Pick(alphabet.pattern));
            QString background;
            for (int i = 0; i < unitsPerText; ++i)
                background.append(Pick(alphabet.background));
            for (int k = 0; k < 3; ++k)
                background = PlantAt(background, pattern, alphabet, Random(unitsPerText));
            // Matches at the very start and end, and two that overlap (the pattern made periodic).
            if (Random(2))
                background = PlantAt(background, pattern, alphabet, 0);
            if (Random(2))
                background = PlantAt(background, pattern, alphabet, unitsPerText - m);
            const int period = std::min(m, 1 + Random(2));
            for (int k = period; k < m; ++k)
                pattern[k] = pattern[k - period];
            QString overlapping;
            for (int k = 0; k < m + period; ++k)
                overlapping.append(pattern[k % period]);
            const qsizetype overlapAt = 1 + Random(unitsPerText - m - period - 2);
            background.replace(overlapAt, m + period, overlapping);
            const Decoded plain = DecodeAll(Bytes(background, encoding), encoding);
            for (int trial = 0; trial < 6; ++trial) {
                TQXSearchOptions options;
                if (Random(2))
                    options |= soCaseSensitive;
                if (Random(2))
                    options |= soWholeWords;
                if (Random(2))
                    options |= soBackward;
                const bool forward = !options.testFlag(soBackward);
                qsizetype at = Random(static_cast<int>(plain.units.size()));
                if (trial == 0)
                    at = forward ? 0 : plain.units.size() - 1;
                if (trial == 1)
                    at = forward ? overlapAt : overlapAt + m + period - 1;
                // Matches planted where the blocks of a search from there meet.
                QString text = background;
                const int64_t step = SearchBlockSize - (m + 1) * charSize;
                const int64_t from = plain.offsets[static_cast<std::size_t>(at)];
                for (int k = 1; k <= 2; ++k) {
                    const int64_t edge = forward ? from + k * step : from - k * step - step / 2;
                    qsizetype place = UnitAt(plain, std::max<int64_t>(edge, 0)) + (forward ? 0 : 1);
                    if (forward && k == 1 && decodesWithOffsets) {
                        // Decoded blocks end before a character that may be cut, and the next one
                        // starts one character before the last match that could not be judged.
                        place = UnitAt(plain, from + SearchBlockSize - 4) - m;
                    }
                    text = PlantAt(text, pattern, alphabet, place + Random(3) - 1);
                }
                const QByteArray data = Scramble(Bytes(text, encoding), encoding);
                const Decoded decoded = DecodeAll(data, encoding);
                QBuffer buffer;
                buffer.setData(data);
                buffer.open(QIODevice::ReadOnly);
                ProbeSearch search;
                search.SetStream(&buffer);
                int64_t start = decoded.offsets[static_cast<std::size_t>(at)];
                if (trial == 0)
                    start = forward ? 0 : data.size();
                else if (charSize == 2)
                    start += Random(2);
                const Found expected = Reference(decoded, pattern, encoding, options, start);
                SCOPED_TRACE(testing::Message()
                             << "round " << round << " pattern " << pattern.toStdString()
                             << " options " << options.toInt() << " start " << start);
                ASSERT_EQ(search.SearchFrom(pattern, encoding, options, start), expected.start);
                if (expected.start >= 0) {
                    ++(forward ? foundForward : foundBackward);
                    if (std::abs(expected.start - start) >= SearchBlockSize)
                        ++foundBlocksAway;
                }
                if (start != 0 && expected.start >= 0) {
                    ASSERT_TRUE(search.FindFirst(pattern, encoding, options, start));
                    ASSERT_EQ((Found{search.FoundStart(), search.FoundLength()}), expected);
                    // The next search steps over the first character (forward) or the last one
                    // (backward) of this match only, so an overlapping match is found next.
                    const auto& offsets = decoded.offsets;
                    const auto first =
                        std::lower_bound(offsets.begin(), offsets.end(), expected.start);
                    const auto second = std::upper_bound(first, offsets.end(), expected.start);
                    const int64_t next = forward
                                             ? (second == offsets.end() ? decoded.size : *second)
                                             : *(first + (m - 1)) - charSize;
                    const Found after = Reference(decoded, pattern, encoding, options, next);
                    search.FindNext(/*FindPrevious=*/false);
                    ASSERT_EQ((Found{search.FoundStart(), search.FoundLength()}), after)
                        << "after the match, from " << next;
                    foundOverlapping += after.start >= 0 &&
                                        (forward ? after.start < expected.start + expected.length
                                                 : after.start + after.length > expected.start);
                }
            }
        }
        // Planted matches make most searches succeed; a reference that finds nothing proves
        // nothing.
        EXPECT_GE(foundForward + foundBackward, rounds);
        EXPECT_GT(foundForward, 0);
        EXPECT_GT(foundBackward, 0);
        EXPECT_GT(foundBlocksAway, 0);
        EXPECT_GT(foundOverlapping, 0);
    }
};

} // namespace

TEST_P(SearchDiff, AgreesWithAPlainSearchOfTheWholeText) {
    Run(/*rounds=*/5, /*unitsPerText=*/135000);
}

INSTANTIATE_TEST_SUITE_P(QXStreamSearch, SearchDiff,
                         ::testing::Values(10, 40, -1, -2, 130, 112, 97),
                         [](const ::testing::TestParamInfo<TQXEncoding>& info) {
                             switch (info.param) {
                             case 10:
                                 return std::string("Windows1252");
                             case 40:
                                 return std::string("SevenBitAscii");
                             case -1:
                                 return std::string("Utf16LE");
                             case -2:
                                 return std::string("Utf16BE");
                             case 130:
                                 return std::string("Utf8");
                             case 97:
                                 return std::string("Gbk");
                             default:
                                 return std::string("ShiftJis");
                             }
                         });
