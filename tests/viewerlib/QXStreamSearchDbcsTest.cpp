// QXStreamSearchDbcsTest.cpp — the search of the stateless double-byte pages on their bytes against
// the plain search of the whole decoded text, on random text of each page with matches planted at
// block edges and behind lead bytes that swallow their first byte.
#include "QXStreamSearch.h"
#include "QXStreamSearchBlock.h"
#include "support/SearchReference.h"

#include <QBuffer>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using test::DecodeAll;
using test::Decoded;
using test::Found;
using test::ProbeSearch;
using test::Reference;

struct DoubleBytePageCase {
    const char* name;
    TQXEncoding encoding;
};

void PrintTo(const DoubleBytePageCase& c, std::ostream* os) {
    *os << c.name;
}

// A character of the test's alphabet: its unit and every byte string that decodes to it.
struct Letter {
    QChar unit;
    std::vector<QByteArray> spellings;
};

class DoubleByteSearch : public ::testing::TestWithParam<DoubleBytePageCase> {
protected:
    std::mt19937 rng{static_cast<unsigned>(GetParam().encoding + 2000)};
    const qxsearch::DoubleBytePage* page = nullptr;

    int Random(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    template <typename T> const T& Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Random(static_cast<int>(v.size())))];
    }

    Letter LetterOf(char16_t unit) const {
        Letter letter{QChar(unit), {}};
        for (int b = 0; b < 0x80; ++b) {
            if (page->single[static_cast<std::size_t>(b)] == unit)
                letter.spellings.emplace_back(1, static_cast<char>(b));
        }
        for (std::size_t p = 0; p < 65536; ++p) {
            if (page->pairs.test(p) && page->pairUnits[p] == unit) {
                const char pair[2] = {static_cast<char>(p >> 8), static_cast<char>(p & 0xFF)};
                letter.spellings.emplace_back(pair, 2);
            }
        }
        return letter;
    }

    // ASCII letters, digits and separators, random double-byte characters, and double-byte
    // letters with a case partner in the page (full-width, Greek, Cyrillic), partner included.
    std::vector<Letter> AlphabetOf() {
        std::vector<Letter> letters;
        for (char16_t c : u"aABbk0 -")
            if (c != 0)
                letters.push_back(LetterOf(c));
        std::vector<char16_t> units;
        std::map<char16_t, std::vector<char16_t>> byKey;
        for (std::size_t p = 0; p < 65536; ++p) {
            const char16_t u = page->pairUnits[p];
            if (page->pairs.test(p) && u != 0xFFFD && u != 0x1A && u >= 0x80) {
                units.push_back(u);
                byKey[AnsiFoldUnit(u)].push_back(u);
            }
        }
        for (int k = 0; k < 5; ++k)
            letters.push_back(LetterOf(Pick(units)));
        std::vector<std::vector<char16_t>> cased;
        for (const auto& [key, members] : byKey) {
            if (members.size() > 1)
                cased.push_back(members);
        }
        for (int k = 0; k < 2 && !cased.empty(); ++k) {
            for (char16_t u : Pick(cased))
                letters.push_back(LetterOf(u));
        }
        return letters;
    }

    // A lead byte that takes the byte b as its trail, or 0 when none does.
    unsigned char LeadSwallowing(char b) {
        std::vector<unsigned char> leads;
        for (int lead = 0x80; lead < 0x100; ++lead) {
            if (page->IsPair(static_cast<unsigned char>(lead), static_cast<unsigned char>(b)))
                leads.push_back(static_cast<unsigned char>(lead));
        }
        return leads.empty() ? 0 : Pick(leads);
    }
};

// The text as characters (one spelling each) so that plants replace whole characters.
using Tokens = std::vector<QByteArray>;

QByteArray Join(const Tokens& tokens) {
    QByteArray bytes;
    for (const QByteArray& t : tokens)
        bytes.append(t);
    return bytes;
}

// The token at or after a byte offset.
std::size_t TokenAt(const Tokens& tokens, int64_t offset) {
    int64_t at = 0;
    std::size_t i = 0;
    while (i < tokens.size() && at < offset)
        at += tokens[i++].size();
    return i;
}

} // namespace

TEST_P(DoubleByteSearch, AgreesWithThePlainSearchOfTheDecodedText) {
    const TQXEncoding encoding = GetParam().encoding;
    page = qxsearch::DoubleBytePageOf(encoding);
    ASSERT_NE(page, nullptr);
    const std::vector<Letter> alphabet = AlphabetOf();
    int found = 0;
    int foundBlocksAway = 0;
    int naiveWouldErr = 0;
    for (int round = 0; round < 6; ++round) {
        const int m = 1 + Random(4);
        std::vector<const Letter*> pattern;
        QString text;
        for (int k = 0; k < m; ++k) {
            pattern.push_back(&Pick(alphabet));
            text.append(pattern.back()->unit);
        }
        // A random case of the pattern's letters: any letter of the same comparison form.
        const auto spell = [&] {
            QByteArray bytes;
            for (const Letter* l : pattern) {
                std::vector<const Letter*> same;
                for (const Letter& other : alphabet) {
                    if (AnsiFoldUnit(other.unit.unicode()) == AnsiFoldUnit(l->unit.unicode()))
                        same.push_back(&other);
                }
                bytes.append(Pick(Pick(same)->spellings));
            }
            return bytes;
        };
        // The background lacks the pattern's letters in any case, so that its matches are the
        // planted ones; their bytes still occur, in other characters.
        std::vector<Letter> others;
        for (const Letter& l : alphabet) {
            if (!text.contains(l.unit, Qt::CaseInsensitive) &&
                std::none_of(pattern.begin(), pattern.end(), [&](const Letter* p) {
                    return AnsiFoldUnit(p->unit.unicode()) == AnsiFoldUnit(l.unit.unicode());
                }))
                others.push_back(l);
        }
        // Every other text has only characters whose bytes all lead pairs between the plants, so
        // that where a character starts is known only from far back.
        std::vector<Letter> leadsOnly;
        for (Letter l : others) {
            std::erase_if(l.spellings, [&](const QByteArray& b) {
                return std::any_of(b.begin(), b.end(), [&](char c) {
                    return !page->leads[static_cast<unsigned char>(c)];
                });
            });
            if (!l.spellings.empty())
                leadsOnly.push_back(l);
        }
        if (round % 2 && !leadsOnly.empty())
            others = leadsOnly;
        Tokens background;
        for (int64_t size = 0; size < 3 * SearchBlockSize; size += background.back().size())
            background.push_back(Pick(Pick(others).spellings));
        const auto plant = [&](Tokens& tokens, std::size_t at) {
            if (at + 2 >= tokens.size())
                return;
            QByteArray match = spell();
            // Behind a lead byte that reads its first byte as a trail, bytes that a plain byte
            // search finds are no match.
            if (Random(2)) {
                if (const unsigned char lead = LeadSwallowing(match[0]))
                    match.prepend(static_cast<char>(lead));
            } else if (Random(3) == 0) {
                tokens[at - (at > 0 ? 1 : 0)] = QByteArray(1, ' ');
            }
            tokens[at] = match;
            // A lead byte before a byte it does not pair with reads alone.
            const unsigned char lone = LeadSwallowing('a');
            if (Random(4) == 0 && lone && !page->IsPair(lone, ' '))
                tokens[at + 1] = QByteArray(1, static_cast<char>(lone)) + ' ';
        };
        for (int k = 0; k < 4; ++k)
            plant(background,
                  static_cast<std::size_t>(Random(static_cast<int>(background.size()))));
        const Decoded plain = DecodeAll(Join(background), encoding);

        for (int trial = 0; trial < 8; ++trial) {
            TQXSearchOptions options;
            if (Random(2))
                options |= soCaseSensitive;
            if (Random(3) == 0)
                options |= soWholeWords;
            if (trial % 2)
                options |= soBackward;
            const bool forward = !options.testFlag(soBackward);
            // Forward searches start at a character; backward ones at any byte.
            int64_t start = plain.offsets[static_cast<std::size_t>(
                Random(static_cast<int>(plain.offsets.size())))];
            if (!forward)
                start += Random(2);
            if (trial < 2)
                start = forward ? 0 : plain.size;
            // Matches where the blocks of a search from there meet.
            Tokens tokens = background;
            for (int k = 1; k <= 2; ++k) {
                const int64_t edge = forward ? start + k * SearchBlockSize - 2 * m - Random(8)
                                             : start - k * SearchBlockSize + Random(8);
                plant(tokens, TokenAt(tokens, std::max<int64_t>(edge, 0)));
            }
            const QByteArray data = Join(tokens);
            const Decoded decoded = DecodeAll(data, encoding);
            if (forward && trial >= 2) {
                // Still a character start after the plants.
                const auto it =
                    std::lower_bound(decoded.offsets.begin(), decoded.offsets.end(), start);
                start = it == decoded.offsets.end() ? decoded.size : *it;
            }
            QBuffer buffer;
            buffer.setData(data);
            buffer.open(QIODevice::ReadOnly);
            ProbeSearch search;
            search.SetStream(&buffer);
            const Found expected = Reference(decoded, text, encoding, options, start);
            SCOPED_TRACE(testing::Message()
                         << "round " << round << " pattern " << text.toStdString() << " options "
                         << options.toInt() << " start " << start);
            ASSERT_EQ(search.SearchFrom(text, encoding, options, start), expected.start);
            const QByteArray firstSpelling = [&] {
                QByteArray b;
                for (const Letter* l : pattern)
                    b.append(l->spellings.front());
                return b;
            }();
            // Bytes of the pattern nearer than its match in the search direction.
            const qsizetype naive = forward ? data.indexOf(firstSpelling, start)
                                            : data.lastIndexOf(firstSpelling, start);
            naiveWouldErr +=
                naive >= 0 &&
                (expected.start < 0 || (forward ? naive < expected.start : naive > expected.start));
            if (expected.start < 0 || start == 0)
                continue;
            ++found;
            foundBlocksAway += std::abs(expected.start - start) >= SearchBlockSize;
            ASSERT_TRUE(search.FindFirst(text, encoding, options, start));
            ASSERT_EQ((Found{search.FoundStart(), search.FoundLength()}), expected);
            // The next search steps over the first character (forward) or the last one (backward).
            const auto& offsets = decoded.offsets;
            const auto first = std::lower_bound(offsets.begin(), offsets.end(), expected.start);
            const auto second = std::upper_bound(first, offsets.end(), expected.start);
            const int64_t next = forward ? (second == offsets.end() ? decoded.size : *second)
                                         : *(first + (m - 1)) - 1;
            const Found after = Reference(decoded, text, encoding, options, next);
            search.FindNext(/*FindPrevious=*/false);
            ASSERT_EQ((Found{search.FoundStart(), search.FoundLength()}), after)
                << "after the match, from " << next;
        }
    }
    // A reference that finds nothing, or text where bytes alone would not mislead, proves nothing.
    EXPECT_GT(found, 0);
    EXPECT_GT(foundBlocksAway, 0);
    EXPECT_GT(naiveWouldErr, 0);
}

INSTANTIATE_TEST_SUITE_P(
    QXStreamSearch, DoubleByteSearch,
    ::testing::Values(DoubleBytePageCase{"ShiftJis", 112}, DoubleBytePageCase{"Gbk", 97},
                      DoubleBytePageCase{"Gb2312", 98},
                      DoubleBytePageCase{"ChineseSimplifiedEuc", 95},
                      DoubleBytePageCase{"Big5", 102}, DoubleBytePageCase{"UnifiedHangul", 120},
                      DoubleBytePageCase{"KoreanEuc", 121}, DoubleBytePageCase{"Wansung", 126},
                      DoubleBytePageCase{"Johab", 124}),
    [](const ::testing::TestParamInfo<DoubleBytePageCase>& info) {
        return std::string(info.param.name);
    });
