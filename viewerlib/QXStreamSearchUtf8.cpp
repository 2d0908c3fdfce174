// QXStreamSearchUtf8.cpp — case-insensitive UTF-8 searches on the bytes as read: the encodings of
// the text's first characters in every case find candidates, which are decoded and compared alone.
#include "QXStreamSearch.h"

#include "QXStreamSearchBlock.h"

#include <QChar>
#include <algorithm>
#include <vector>

namespace {

// The most byte strings the candidate search looks for.
constexpr std::size_t MaxPrefixes = 8;

// A character of the text decoded from UTF-8, or none at a bad or cut sequence.
struct Utf8Char {
    char32_t code = 0;
    int bytes = 0; // 0: none
};

// Decodes the well-formed sequence at p, as the converter does; a bad one decodes to replacement
// characters, which the texts searched this way never hold.
Utf8Char DecodeAt(const unsigned char* p, int64_t available) {
    const unsigned char b = p[0];
    if (b < 0x80)
        return {b, 1};
    int count = 0;
    char32_t code = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        count = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        count = 3;
        code = b & 0x0F;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        count = 4;
        code = b & 0x07;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    if (available < count)
        return {};
    for (int i = 1; i < count; ++i) {
        const unsigned char c = p[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF))
            return {};
        code = code << 6 | (c & 0x3F);
    }
    return {code, count};
}

// True when the match of bytes at..end of a block of read bytes stands between word separators. A
// side marked free counts as a boundary whatever is there; at the block's end, endOfData tells
// whether the data ends there too.
bool BoundedByWords(const char* block, qsizetype at, qsizetype end, qsizetype read, bool startFree,
                    bool endFree, bool endOfData) {
    if (!startFree && at > 0 && !qxsearch::Utf8SeparatorByte(block[at - 1]))
        return false;
    if (endFree)
        return true;
    return end == read ? endOfData : qxsearch::Utf8SeparatorByte(block[end]);
}

// The encodings of every character whose comparison form is key.
std::vector<QByteArray> EncodingsOfClass(QChar key, const qxsearch::FoldTable& fold) {
    std::vector<QByteArray> result;
    for (char32_t u = 0; u < 0x10000; ++u) {
        const auto unit = static_cast<char16_t>(u);
        if (!QChar::isSurrogate(u) && fold[unit] == key)
            result.push_back(QString(QChar(unit)).toUtf8());
    }
    return result;
}

// The texts searched this way: no surrogates, replacement characters or byte order marks, and
// short enough that a block holds three bytes per character.
bool Suits(const QString& text) {
    if ((static_cast<int64_t>(text.size()) * 3 + 8) >= SearchBlockSize)
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.isSurrogate() || c == QChar::ReplacementCharacter || c == QChar::ByteOrderMark;
    });
}

} // namespace

int64_t TQXStreamSearch::SearchUtf8Folded(SearchRun& run) {
    if (!Suits(run.text))
        return qxsearch::NotSearched;
    const qxsearch::FoldTable& fold = qxsearch::AnsiFold();
    const QString keys = qxsearch::Folded(run.text, fold);
    const auto length = static_cast<qsizetype>(keys.size());

    // The candidates: every spelling of the first two characters, or of the first when those are
    // too many.
    std::vector<QByteArray> prefixes = EncodingsOfClass(keys[0], fold);
    if (length > 1) {
        const std::vector<QByteArray> seconds = EncodingsOfClass(keys[1], fold);
        if (prefixes.size() * seconds.size() <= MaxPrefixes) {
            std::vector<QByteArray> pairs;
            for (const QByteArray& a : prefixes) {
                for (const QByteArray& b : seconds)
                    pairs.push_back(a + b);
            }
            prefixes = std::move(pairs);
        }
    }
    if (prefixes.size() > MaxPrefixes)
        return qxsearch::NotSearched;
    const qxsearch::SpellingsFinder finder(prefixes);

    // A match's bytes and the one after them lie within reach of its start.
    const int64_t reach = 3 * static_cast<int64_t>(length) + 1;
    const int64_t origin = run.pos;
    const auto* bytes = reinterpret_cast<const unsigned char*>(run.buffer.data());

    const auto matchAt = [&](qsizetype at, int64_t read) {
        qxsearch::BlockMatch m;
        int64_t p = at;
        for (qsizetype k = 0; k < length; ++k) {
            const Utf8Char c = DecodeAt(bytes + p, read - p);
            if (c.bytes == 0 || c.code > 0xFFFF || fold[static_cast<char16_t>(c.code)] != keys[k])
                return qxsearch::BlockMatch{};
            if (k == 0)
                m.firstLength = c.bytes;
            m.lastStart = p;
            p += c.bytes;
        }
        m.end = p;
        return m;
    };
    // The nearest accepted match among all spellings, in the search direction.
    const auto nearest =
        [&](int64_t read, qsizetype first, qsizetype last,
            const std::function<bool(qsizetype, const qxsearch::BlockMatch&)>& accept) {
            return finder.Find(QByteArrayView(run.buffer.data(), read), run.forward, first, last,
                               [&](qsizetype at) {
                                   const qxsearch::BlockMatch m = matchAt(at, read);
                                   return m.end >= 0 && accept(at, m);
                               });
        };

    if (run.forward) {
        int64_t blockStart = run.pos;
        bool continuation = false;
        for (;;) {
            const int64_t read = ReadBlock(blockStart, run.buffer.data(), SearchBlockSize);
            const bool lastBlock = read < SearchBlockSize;
            // A later block starts one byte before its first candidate, for the whole-word rule.
            const qsizetype first = continuation ? 1 : 0;
            const qsizetype last = lastBlock ? read - 1 : read - reach;
            const qsizetype j =
                nearest(read, first, last, [&](qsizetype at, const qxsearch::BlockMatch& m) {
                    return !run.wholeWords ||
                           BoundedByWords(run.buffer.data(), at, m.end, read,
                                          /*startFree=*/blockStart + at == origin,
                                          /*endFree=*/false, /*endOfData=*/lastBlock);
                });
            if (j >= 0)
                return qxsearch::TakeBlockMatch(FMatch, blockStart, j, matchAt(j, read));
            if (!DoProgress(run.pos) || lastBlock)
                return -1;
            blockStart += last;
            run.pos = blockStart;
            if (run.pos > run.maxPos)
                return -1;
            continuation = true;
        }
    }
    int64_t limit = run.pos; // the last candidate start of the block
    for (;;) {
        const int64_t blockEnd = std::min(FStreamSize, limit + reach);
        const int64_t blockStart = std::max<int64_t>(0, blockEnd - SearchBlockSize);
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), blockEnd - blockStart);
        const bool lastBlock = blockStart == 0;
        const bool reachesEnd = blockStart + read >= FStreamSize;
        const qsizetype first = lastBlock ? 0 : 1;
        const qsizetype j = nearest(
            read, first, limit - blockStart, [&](qsizetype at, const qxsearch::BlockMatch& m) {
                if (blockStart + m.lastStart > origin)
                    return false;
                return !run.wholeWords ||
                       BoundedByWords(run.buffer.data(), at, m.end, read, /*startFree=*/false,
                                      /*endFree=*/blockStart + m.lastStart == origin,
                                      /*endOfData=*/reachesEnd);
            });
        if (j >= 0)
            return qxsearch::TakeBlockMatch(FMatch, blockStart, j, matchAt(j, read));
        if (!DoProgress(run.pos) || lastBlock)
            return -1;
        limit = blockStart;
        run.pos = limit;
    }
}
