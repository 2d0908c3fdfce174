// QXStreamSearchDbcs.cpp — searches of the stateless double-byte pages on the bytes as read: the
// spellings of the text's first characters find candidates, which are decoded from the table at a
// character boundary and compared alone.
#include "QXStreamSearch.h"

#include "Codepage.h"
#include "QXStreamSearchBlock.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <vector>

namespace qxsearch {

namespace {

// The pages of one- and two-byte characters without shift states that the converter decodes.
// EUC-JP and EUC-TW have three- and four-byte characters and are searched decoded.
constexpr int DoubleByteCodepages[] = {932, 936, 949, 950, 1361, 20936, 20949, 51936, 51949};

// What the model of the page says about bytes: each character's unit and where it starts.
QString DecodeByModel(const DoubleBytePage& page, QByteArrayView bytes,
                      std::vector<int64_t>& offsets) {
    QString units;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        offsets.push_back(i);
        if (i + 1 < size && page.IsPair(b[i], b[i + 1])) {
            units.append(QChar(page.pairUnits[static_cast<std::size_t>(b[i]) << 8 | b[i + 1]]));
            i += 2;
        } else {
            units.append(QChar(i + 1 < size ? page.single[b[i]] : page.atEnd[b[i]]));
            ++i;
        }
    }
    return units;
}

// Every pair is decoded once, each followed by a line feed, which ends any character of these
// pages: a pair that forms a character gives one unit at its lead, any other gives one at each
// byte. A page the model does not describe exactly (two units for a character, a byte read two
// ways, or random text decoded differently) gets no table.
std::unique_ptr<DoubleBytePage> BuildDoubleBytePage(TQXEncoding encoding) {
    QByteArray probe;
    probe.reserve(3 * 65536);
    for (int p = 0; p < 65536; ++p) {
        probe.append(static_cast<char>(p >> 8));
        probe.append(static_cast<char>(p & 0xFF));
        probe.append('\n');
    }
    std::vector<int64_t> offsets;
    const QString units = CodepageToUnicode(probe, encoding, offsets);
    auto page = std::make_unique<DoubleBytePage>();
    std::bitset<256> seen;
    const auto setSingle = [&](unsigned char b, char16_t unit) {
        if (seen.test(b) && page->single[b] != unit)
            return false;
        seen.set(b);
        page->single[b] = unit;
        return true;
    };
    const qsizetype n = units.size();
    qsizetype u = 0;
    const auto unitAt = [&](int64_t offset) -> int {
        if (u >= n || offsets[static_cast<std::size_t>(u)] != offset)
            return -1;
        return units[u++].unicode();
    };
    for (int p = 0; p < 65536; ++p) {
        const int64_t base = 3 * static_cast<int64_t>(p);
        const auto lead = static_cast<unsigned char>(p >> 8);
        const auto trail = static_cast<unsigned char>(p & 0xFF);
        const int first = unitAt(base);
        if (first < 0)
            return nullptr;
        const int second = unitAt(base + 1);
        if (second >= 0) {
            if (!setSingle(lead, static_cast<char16_t>(first)) ||
                !setSingle(trail, static_cast<char16_t>(second)))
                return nullptr;
        } else {
            page->pairs.set(static_cast<std::size_t>(p));
            page->pairUnits[static_cast<std::size_t>(p)] = static_cast<char16_t>(first);
            page->leads[lead] = true;
        }
        if (unitAt(base + 2) != u'\n')
            return nullptr;
    }
    if (u != n || !seen.all())
        return nullptr;
    for (int b = 0; b < 256; ++b) {
        const QString alone = CodepageToUnicode(QByteArray(1, static_cast<char>(b)), encoding);
        if (alone.size() != 1)
            return nullptr;
        page->atEnd[static_cast<std::size_t>(b)] = alone[0].unicode();
    }
    // Text of mostly lead bytes, where a character's start decides most: the model must read it
    // exactly as the converter does.
    std::mt19937 rng(1);
    QByteArray sample(8192, Qt::Uninitialized);
    for (char& c : sample)
        c = static_cast<char>(rng() % 8 == 0 ? rng() % 0x80 : 0x80 + rng() % 0x80);
    std::vector<int64_t> expectedOffsets;
    std::vector<int64_t> modelOffsets;
    if (CodepageToUnicode(sample, encoding, expectedOffsets) !=
            DecodeByModel(*page, sample, modelOffsets) ||
        expectedOffsets != modelOffsets)
        return nullptr;
    return page;
}

} // namespace

const DoubleBytePage* DoubleBytePageOf(TQXEncoding encoding) {
    if (encoding < 0)
        return nullptr;
    const int id = platform::ResolveCodepage(CodepageID(encoding));
    if (std::find(std::begin(DoubleByteCodepages), std::end(DoubleByteCodepages), id) ==
        std::end(DoubleByteCodepages))
        return nullptr;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<DoubleBytePage>> pages;
    const std::lock_guard lock(mutex);
    auto it = pages.find(id);
    if (it == pages.end())
        it = pages.emplace(id, BuildDoubleBytePage(encoding)).first;
    return it->second.get();
}

} // namespace qxsearch

namespace {

// The most byte strings the candidate search looks for, and the most characters they spell.
constexpr std::size_t MaxPrefixes = 8;
constexpr qsizetype MaxPrefixChars = 16;

// Beyond this many bytes without a byte that ends a character wherever it stands, the character
// starts of a block are found once for the whole block.
constexpr qsizetype MaxWalk = 64;

// The characters of one block of a double-byte page, read from a place where one is known to
// start. A byte that leads no pair ends the character it belongs to, whether it stands alone or
// trails a lead, so the character starts before an offset are found by going back to the nearest
// such byte and reading forward from there.
class BlockChars {
public:
    static constexpr qsizetype NotAStart = -1;
    static constexpr qsizetype NoneKnown = -2;

    BlockChars(const qxsearch::DoubleBytePage& page, const char* bytes, qsizetype size,
               bool endOfData, qsizetype known)
        : page_(page), bytes_(reinterpret_cast<const unsigned char*>(bytes)), size_(size),
          endOfData_(endOfData), known_(known) {}

    qsizetype Size() const { return size_; }

    // The bytes of the character at i, a character start; a lead byte ending the block is a
    // character by itself, which only the end of the data allows.
    int LengthAt(qsizetype i) const {
        return i + 1 < size_ && page_.IsPair(bytes_[i], bytes_[i + 1]) ? 2 : 1;
    }
    char16_t UnitAt(qsizetype i, int length) const {
        if (length == 2)
            return page_.pairUnits[static_cast<std::size_t>(bytes_[i]) << 8 | bytes_[i + 1]];
        return i + 1 == size_ && endOfData_ ? page_.atEnd[bytes_[i]] : page_.single[bytes_[i]];
    }
    bool SeparatorAt(qsizetype i) const { return IsWordSeparator(UnitAt(i, LengthAt(i))); }

    // When a character starts at p (at or after the known start), the start of the one before
    // it; NoneKnown at the known start itself, NotAStart when p is inside a character.
    qsizetype PreviousStart(qsizetype p) {
        if (p == known_)
            return NoneKnown;
        const qsizetype from = WalkStart(p - 1);
        if (from < 0) {
            const std::vector<bool>& starts = Starts();
            if (!starts[static_cast<std::size_t>(p)])
                return NotAStart;
            return starts[static_cast<std::size_t>(p - 1)] ? p - 1 : p - 2;
        }
        qsizetype previous = NotAStart;
        qsizetype i = from;
        while (i < p) {
            previous = i;
            i += LengthAt(i);
        }
        return i == p ? previous : NotAStart;
    }

    // The last character start at or before q (at or after the known start).
    qsizetype StartAtOrBefore(qsizetype q) {
        qsizetype i = WalkStart(q);
        if (i < 0) {
            const std::vector<bool>& starts = Starts();
            i = q;
            while (!starts[static_cast<std::size_t>(i)])
                --i;
            return i;
        }
        while (i + LengthAt(i) <= q)
            i += LengthAt(i);
        return i;
    }

private:
    // A character start at or before q and after the known one when it is near, found from the
    // last byte before q that ends a character; -1 when there is none within MaxWalk bytes.
    qsizetype WalkStart(qsizetype q) const {
        qsizetype m = q - 1;
        while (m >= known_ && page_.leads[bytes_[m]]) {
            if (q - m > MaxWalk)
                return -1;
            --m;
        }
        return std::max(m + 1, known_);
    }

    const std::vector<bool>& Starts() {
        if (starts_.empty()) {
            starts_.assign(static_cast<std::size_t>(size_) + 1, false);
            for (qsizetype i = known_; i < size_; i += LengthAt(i))
                starts_[static_cast<std::size_t>(i)] = true;
        }
        return starts_;
    }

    const qxsearch::DoubleBytePage& page_;
    const unsigned char* bytes_;
    qsizetype size_;
    bool endOfData_;
    qsizetype known_;
    std::vector<bool> starts_; // every character start from the known one on, once needed
};

// Every spelling of a character whose comparison form is key: single bytes, including lead bytes
// read alone, and pairs.
template <typename Key>
std::vector<QByteArray> SpellingsOf(const qxsearch::DoubleBytePage& page, char16_t key,
                                    Key&& keyOf) {
    std::vector<QByteArray> result;
    for (int b = 0; b < 256; ++b) {
        const auto i = static_cast<std::size_t>(b);
        if (keyOf(page.single[i]) == key || keyOf(page.atEnd[i]) == key)
            result.emplace_back(1, static_cast<char>(b));
    }
    for (std::size_t p = 0; p < 65536; ++p) {
        if (page.pairs.test(p) && keyOf(page.pairUnits[p]) == key) {
            const char pair[2] = {static_cast<char>(p >> 8), static_cast<char>(p & 0xFF)};
            result.emplace_back(pair, 2);
        }
    }
    return result;
}

} // namespace

int64_t TQXStreamSearch::SearchDoubleByte(SearchRun& run) {
    const qxsearch::DoubleBytePage* page = qxsearch::DoubleBytePageOf(run.encoding);
    const auto length = static_cast<qsizetype>(run.text.size());
    // A match's bytes, the character after it and the byte that tells that character's length.
    const qsizetype reach = 2 * length + 2;
    if (!page || 2 * reach >= SearchBlockSize)
        return qxsearch::NotSearched;
    const qxsearch::FoldTable& fold = qxsearch::AnsiFold();
    const bool caseSensitive = run.caseSensitive;
    const auto keyOf = [&](char16_t c) { return caseSensitive ? c : fold[c]; };
    const QString keys = caseSensitive ? run.text : qxsearch::Folded(run.text, fold);

    // The candidates: every spelling of as many first characters as keep them few.
    std::vector<QByteArray> prefixes = SpellingsOf(*page, keys[0].unicode(), keyOf);
    if (prefixes.empty() || prefixes.size() > MaxPrefixes)
        return qxsearch::NotSearched;
    for (qsizetype k = 1; k < std::min(length, MaxPrefixChars); ++k) {
        const std::vector<QByteArray> next = SpellingsOf(*page, keys[k].unicode(), keyOf);
        if (next.empty() || prefixes.size() * next.size() > MaxPrefixes)
            break;
        std::vector<QByteArray> longer;
        for (const QByteArray& a : prefixes) {
            for (const QByteArray& b : next)
                longer.push_back(a + b);
        }
        prefixes = std::move(longer);
    }
    const qxsearch::SpellingsFinder finder(prefixes);
    const int64_t origin = run.pos;

    const auto matchAt = [&](const BlockChars& chars, qsizetype at) {
        qxsearch::BlockMatch m;
        qsizetype p = at;
        for (qsizetype k = 0; k < length; ++k) {
            if (p >= chars.Size())
                return qxsearch::BlockMatch{};
            const int bytes = chars.LengthAt(p);
            if (keyOf(chars.UnitAt(p, bytes)) != keys[k].unicode())
                return qxsearch::BlockMatch{};
            if (k == 0)
                m.firstLength = bytes;
            m.lastStart = p;
            p += bytes;
        }
        m.end = p;
        return m;
    };
    // The candidate at is a match that starts a character; before it either nothing is known
    // (the place the characters are read from, which needs no separator) or a character.
    const auto accept = [&](BlockChars& chars, qsizetype at, const qxsearch::BlockMatch& m,
                            qsizetype read, bool endOfData, bool endFree) {
        const qsizetype previous = chars.PreviousStart(at);
        if (previous == BlockChars::NotAStart)
            return false;
        if (!run.wholeWords)
            return true;
        if (previous >= 0 && !chars.SeparatorAt(previous))
            return false;
        if (endFree)
            return true;
        return m.end == read ? endOfData : chars.SeparatorAt(m.end);
    };

    if (run.forward) {
        // Characters are read from the start position on, as the decoding search reads them.
        int64_t blockStart = run.pos;
        qsizetype first = 0;
        for (;;) {
            const int64_t read = ReadBlock(blockStart, run.buffer.data(), SearchBlockSize);
            const bool lastBlock = read < SearchBlockSize;
            const bool endOfData = blockStart + read >= FStreamSize;
            BlockChars chars(*page, run.buffer.data(), read, endOfData, /*known=*/0);
            const qsizetype last = lastBlock ? read - 1 : read - reach;
            const QByteArrayView hay(run.buffer.data(), read);
            const qsizetype j = finder.Find(hay, /*forward=*/true, first, last, [&](qsizetype at) {
                const qxsearch::BlockMatch m = matchAt(chars, at);
                return m.end >= 0 && accept(chars, at, m, read, endOfData, /*endFree=*/false);
            });
            if (j >= 0)
                return qxsearch::TakeBlockMatch(FMatch, blockStart, j, matchAt(chars, j));
            if (!DoProgress(run.pos) || lastBlock)
                return -1;
            // The next block starts at a character before its first candidate, so that the
            // character before every candidate is read.
            const qsizetype next = chars.StartAtOrBefore(last);
            first = last + 1 - next;
            blockStart += next;
            run.pos = blockStart;
            if (run.pos > run.maxPos)
                return -1;
        }
    }
    // Backward, characters are read from the start of the stream, as the decoding search reads
    // them: a block is read from its first byte after one that ends a character, or from a
    // character start found further back.
    int64_t limit = run.pos; // the last candidate start of the block
    for (;;) {
        const int64_t blockEnd = std::min<int64_t>(FStreamSize, limit + reach);
        const int64_t blockStart = std::max<int64_t>(0, blockEnd - SearchBlockSize);
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), blockEnd - blockStart);
        const bool lastBlock = blockStart == 0;
        const bool endOfData = blockStart + read >= FStreamSize;
        qsizetype known = 0;
        if (!lastBlock) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(run.buffer.data());
            const qsizetype half = static_cast<qsizetype>(read / 2);
            qsizetype m = 0;
            while (m < half && page->leads[bytes[m]])
                ++m;
            known = m < half ? m + 1 : CharStartsAround(run, blockStart).after - blockStart;
        }
        BlockChars chars(*page, run.buffer.data(), read, endOfData, known);
        // A candidate at the known start has no character before it in this block.
        const qsizetype first = lastBlock ? 0 : known + 1;
        const QByteArrayView hay(run.buffer.data(), read);
        const qsizetype j =
            finder.Find(hay, /*forward=*/false, first, limit - blockStart, [&](qsizetype at) {
                const qxsearch::BlockMatch m = matchAt(chars, at);
                if (m.end < 0 || blockStart + m.lastStart > origin)
                    return false;
                return accept(chars, at, m, read, endOfData,
                              /*endFree=*/blockStart + m.lastStart == origin);
            });
        if (j >= 0)
            return qxsearch::TakeBlockMatch(FMatch, blockStart, j, matchAt(chars, j));
        if (!DoProgress(run.pos) || lastBlock)
            return -1;
        limit = blockStart + first - 1;
        run.pos = limit;
    }
}
