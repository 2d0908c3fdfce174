// QXStreamSearchNeedleTest.cpp — the byte search of one block against a plain scan, for one needle,
// byte classes and several needles, in both directions and unit sizes.
#include "QXStreamSearchBlock.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Needles { One, Classes, Several };

struct NeedleCase {
    const char* name;
    Needles kind;
    int unitSize;
    std::string alphabet; // of the hay and the needles
};

} // namespace

// Hays of up to a few 16-byte windows, so that matches fall on and across their edges, with few
// letters so that candidates abound; accept refuses some of them, so the search must go on.
TEST(QXStreamSearchNeedle, FindsWhatAPlainScanFinds) {
    const std::vector<NeedleCase> cases = {
        {"OneByteNeedle", Needles::One, 1, std::string("abcd\0\x80\xFF", 7)},
        {"UnitNeedleFindsOnlyAlignedMatches", Needles::One, 2, std::string("ab\0", 3)},
        {"ClassesOfOneToSixBytes", Needles::Classes, 1, "abcdefghijkl"},
        {"ClassesInUnits", Needles::Classes, 2, "abcdef"},
        {"SeveralNeedles", Needles::Several, 1, "abcde\xD0\xB0"},
    };
    std::mt19937 rng(7);
    const auto random = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (const NeedleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pick = [&] {
            return c
                .alphabet[static_cast<std::size_t>(random(static_cast<int>(c.alphabet.size())))];
        };
        int found = 0;
        for (int round = 0; round < 3000; ++round) {
            // Classes join random letters: some hold a single byte, some more than the four the
            // byte search tests at once.
            qxsearch::ByteClasses classes{};
            for (int b = 0; b < 256; ++b)
                classes[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
            for (const char letter : c.alphabet)
                classes[static_cast<unsigned char>(letter)] =
                    static_cast<unsigned char>('a' + random(3));
            const int n = 1 + random(6);
            std::vector<std::string> needles(c.kind == Needles::Several ? 1 + random(4) : 1);
            for (std::string& needle : needles) {
                for (int k = 0; k < n; ++k)
                    needle +=
                        c.kind == Needles::Classes ? static_cast<char>('a' + random(3)) : pick();
            }
            std::string hay;
            const int size = random(70);
            while (static_cast<int>(hay.size()) < size)
                hay += random(4) == 0 ? needles[static_cast<std::size_t>(
                                            random(static_cast<int>(needles.size())))]
                                      : std::string(1, pick());
            const bool forward = random(2) == 0;
            const qsizetype units = static_cast<qsizetype>(hay.size()) / c.unitSize;
            const qsizetype first = random(4);
            const qsizetype last = units - random(4);
            const int refused = 2 + random(3);
            const auto accept = [&](qsizetype j) { return j % refused != 0; };

            const auto matchesAt = [&](qsizetype at) {
                for (const std::string& needle : needles) {
                    bool equal = at + n <= static_cast<qsizetype>(hay.size());
                    for (int k = 0; equal && k < n; ++k) {
                        const auto h =
                            static_cast<unsigned char>(hay[static_cast<std::size_t>(at + k)]);
                        const auto e =
                            static_cast<unsigned char>(needle[static_cast<std::size_t>(k)]);
                        equal = (c.kind == Needles::Classes ? classes[h] : h) == e;
                    }
                    if (equal)
                        return true;
                }
                return false;
            };
            qsizetype expected = -1;
            for (qsizetype i = first; i <= last; ++i) {
                const qsizetype j = forward ? i : first + last - i;
                if (j >= 0 && matchesAt(j * c.unitSize) && accept(j)) {
                    expected = j;
                    break;
                }
            }

            std::vector<QByteArray> alternatives;
            for (const std::string& needle : needles)
                alternatives.emplace_back(needle.data(), static_cast<qsizetype>(needle.size()));
            const QByteArrayView hayView(hay.data(), static_cast<qsizetype>(hay.size()));
            qsizetype actual = -1;
            if (c.kind == Needles::Several) {
                const qxsearch::NeedleFinder finder(alternatives, c.unitSize);
                actual = finder.Find(hayView, forward, first, last, accept);
            } else {
                const qxsearch::NeedleFinder finder(alternatives.front(), c.unitSize,
                                                    c.kind == Needles::Classes ? &classes
                                                                               : nullptr);
                actual = finder.Find(hayView, forward, first, last, accept);
            }
            ASSERT_EQ(actual, expected)
                << "round " << round << " hay size " << hay.size() << " first " << first << " last "
                << last << (forward ? " forward" : " backward");
            found += expected >= 0;
        }
        // Many rounds find something: a scan that never finds proves nothing.
        EXPECT_GT(found, 500);
    }
}
