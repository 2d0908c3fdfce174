// QXStreamSearchBlock.h — the pieces the stream search is built from: comparison forms of
// characters, byte-per-character code page tables, and the candidate search within one block.
#pragma once

#include "ByteScan.h"
#include "QXStreamSearch.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qxsearch {

using FoldTable = std::array<char16_t, 65536>;

// AnsiFoldUnit and WideLowerCase of every unit, built on first use.
const FoldTable& AnsiFold();
const FoldTable& WideFold();

// Case folding for the search: count units from `from` through the table into `to` (which may be
// `from`), or a whole string.
void FoldUnits(const char16_t* from, char16_t* to, qsizetype count, const FoldTable& fold);
QString Folded(QString text, const FoldTable& fold);

// A code page that decodes every byte to exactly one UTF-16 unit on its own.
struct BytePage {
    std::array<char16_t, 256> units{};
    std::array<bool, 256> separator{};
};

// The table of a byte-per-character encoding (0..131); nullptr for multi-byte and stateful pages
// and pages without a converter, which need decoding with offsets.
const BytePage* BytePageOf(TQXEncoding encoding);

// Whether the encoding is UTF-8.
bool IsUtf8(TQXEncoding encoding);

// Whether a UTF-8 byte starts a character (or stands alone as a bad one): any but a continuation.
inline bool Utf8StartByte(char b) {
    return (static_cast<unsigned char>(b) & 0xC0) != 0x80;
}

// Whether a UTF-8 byte separates words. Bytes from 0x80 up belong to characters from U+0080 up or
// to bad sequences, neither of which separates words.
inline bool Utf8SeparatorByte(char b) {
    const auto u = static_cast<unsigned char>(b);
    return u < 0x80 && IsWordSeparator(u);
}

// The UTF-8 bytes of text when a byte search for them finds exactly the matches of text in the
// decoded characters, with the bytes of the characters matched; empty otherwise. UTF-8 synchronises
// itself and the decoder ends a bad sequence before the next byte that starts a character, so that
// holds for any text without the replacement character, a byte order mark or a lone surrogate.
QByteArray Utf8Needle(const QString& text);

// What a search returns when it does not suit the text, which another search then looks for.
inline constexpr int64_t NotSearched = -2;

// Where a match may start within one block of units and what its neighbours must be.
struct BlockRules {
    qsizetype units = 0;  // units in the block
    qsizetype length = 0; // units in the pattern
    bool forward = true;
    bool wholeWords = false;
    bool lastBlock = false;    // the block reaches the stream's edge in the search direction
    bool continuation = false; // not the first block: its edge candidate towards the previous
                               // block was already judged there, with both neighbours known

    qsizetype Candidates() const { return units - length + 1; }
    qsizetype First() const { return continuation && forward ? 1 : 0; }
    qsizetype Last() const { return Candidates() - (continuation && !forward ? 2 : 1); }

    // Whether the match at j (0-based) satisfies the whole-word rules; separatorAt(i) tells whether
    // unit i of the block, as read, is a word separator.
    template <typename IsSeparatorAt> bool Accepts(qsizetype j, IsSeparatorAt&& separatorAt) const {
        if (!wholeWords)
            return true;
        const qsizetype last = Candidates() - 1;
        if (!lastBlock && (forward ? j == last : j == 0))
            return false;
        if (j > 0 && !separatorAt(j - 1))
            return false;
        return j == last || separatorAt(j + length);
    }
};

// Per byte, the byte that stands for its class: bytes that compare equal share one.
using ByteClasses = std::array<unsigned char, 256>;

// Searches bytes for a needle whose matches must start at a multiple of the unit size (1 or 2):
// a one-byte block, or UTF-16 units in memory order. With classes, the needle holds class bytes
// and a hay byte matches when its class equals the needle's byte, so the hay is searched as read.
// Built once per search.
class NeedleFinder {
public:
    NeedleFinder(QByteArrayView needle, int unitSize, const ByteClasses* classes = nullptr);
    // Finds any of several needles of one size (at least one).
    NeedleFinder(const std::vector<QByteArray>& alternatives, int unitSize);
    NeedleFinder(const NeedleFinder&) = delete;
    NeedleFinder& operator=(const NeedleFinder&) = delete;

    qsizetype NeedleSize() const { return static_cast<qsizetype>(needle_.size()); }

    // The first (forward) or last (backward) unit index j in first..last where the needle occurs in
    // hay and accept(j) holds; -1 when there is none.
    qsizetype Find(QByteArrayView hay, bool forward, qsizetype first, qsizetype last,
                   const std::function<bool(qsizetype)>& accept) const;

private:
    // The hay bytes that match the needle byte at one place of it.
    using Anchor = platform::ByteAnchor;
    // Anchors the search on the bytes that each place of the needle accepts.
    void ChooseAnchors(const std::vector<std::bitset<256>>& places);
    bool MatchesAt(const char* at) const;
    // The candidates at begin..end (the needle's start) are those where both anchors match; each
    // is checked whole, in the search direction, until check(at) holds.
    template <typename Check>
    qsizetype Scan(const char* base, qsizetype begin, qsizetype end, bool forward,
                   Check&& check) const;

    std::string needle_;
    std::vector<std::string> alternatives_; // when there are several needles; needle_ the first
    ByteClasses classes_{};
    bool classed_ = false;
    int unitSize_;
    // Two places of the needle whose bytes are rare in text; the byte search tests both at once
    // and leaves the rest of the needle for the candidates it finds.
    Anchor first_;
    Anchor second_;
};

// Finds the nearest of several byte strings of any sizes, one NeedleFinder per size: the
// spellings of a text's first characters when a character has more than one.
class SpellingsFinder {
public:
    explicit SpellingsFinder(const std::vector<QByteArray>& spellings);

    // The nearest byte index in first..last, in the search direction, where a spelling occurs and
    // accept(index) holds; -1 when there is none.
    qsizetype Find(QByteArrayView hay, bool forward, qsizetype first, qsizetype last,
                   const std::function<bool(qsizetype)>& accept) const;

private:
    std::vector<std::unique_ptr<NeedleFinder>> finders_;
};

// A code page without shift states whose characters are one byte or two, each decoding to one
// UTF-16 unit, as the converter reads it: at a character's start, a byte that leads a pair with
// the byte after it takes that byte along; any other byte is a character by itself (a lead byte
// before a byte it does not pair with decodes alone as the converter's substitute).
struct DoubleBytePage {
    std::bitset<65536> pairs;                // lead << 8 | trail: the two form one character
    std::array<char16_t, 65536> pairUnits{}; // the unit of each such pair
    std::array<char16_t, 256> single{};      // a byte that is a character by itself
    std::array<char16_t, 256> atEnd{};       // the same for the last byte of the data
    std::array<bool, 256> leads{};           // the byte forms a pair with some byte after it

    bool IsPair(unsigned char lead, unsigned char trail) const {
        return pairs.test(static_cast<std::size_t>(lead) << 8 | trail);
    }
};

// The table of Shift-JIS, GBK, Big5, the Korean pages and the other stateless double-byte pages
// (the code page the encoding resolves to decides), read from the converter on first use; nullptr
// for any other encoding.
const DoubleBytePage* DoubleBytePageOf(TQXEncoding encoding);

// The units of text as bytes in the order of UTF-16 BE or LE.
QByteArray StreamUnitBytes(QStringView text, bool bigEndian);

// The spellings, as UTF-16 BE or LE bytes, of the case variants of a run of units of a text in
// comparison forms (WideFold): every unit that folds to the same. The run is the longest whose
// variants combine into at most 8 spellings, first among equals; a single unit when none does.
struct CaseVariants {
    qsizetype start = 0; // the run's first unit in the text
    std::vector<QByteArray> spellings;
};
CaseVariants WideCaseVariants(QStringView keys, bool bigEndian);

// The units as bytes in memory order.
inline QByteArrayView UnitBytes(const char16_t* units, qsizetype count) {
    return {reinterpret_cast<const char*>(units), count * 2};
}

// A match the byte searches found in a block: where it ends, the bytes of its first character and
// where its last character starts, all from the block's start; end -1: no match.
struct BlockMatch {
    int64_t end = -1;
    int64_t firstLength = 0;
    int64_t lastStart = 0;
};

// The offset of the match m at `at` of the block read from blockStart, its byte extent (the whole
// match, its first character, the offset of its last character) stored in extent.
int64_t TakeBlockMatch(auto& extent, int64_t blockStart, int64_t at, const BlockMatch& m) {
    extent = {m.end - at, m.firstLength, blockStart + m.lastStart};
    return blockStart + at;
}

} // namespace qxsearch

// Everything one SearchFrom works with.
struct TQXStreamSearch::SearchRun {
    QString text;
    TQXEncoding encoding = 0;
    bool forward = true;
    bool wholeWords = false;
    bool caseSensitive = false;
    QByteArray utf8Needle; // set when a case-sensitive UTF-8 search runs on the bytes
    int64_t pos = 0;
    int64_t maxPos = 0;
    std::vector<char> buffer = std::vector<char>(SearchBlockSize);
    std::vector<char> scratch = std::vector<char>(SearchBlockSize);
    std::vector<int64_t> charStarts; // sorted; found by CharStartsAround, read from a certain one
};
