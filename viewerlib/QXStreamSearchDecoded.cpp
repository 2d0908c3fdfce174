// QXStreamSearchDecoded.cpp — one-byte searches in multi-byte and stateful code pages: blocks are
// decoded with the byte offset of every character, so matches and block steps fall on characters.
#include "QXStreamSearch.h"

#include "Codepage.h"
#include "QXStreamSearchBlock.h"

#include <algorithm>
#include <vector>

namespace {

// The longest byte sequence of one UTF-16 unit in the multi-byte pages that are not stateful.
constexpr int64_t MaxCharBytes = 4;

struct DecodedBlock {
    QString units;                // the characters as read
    QString keys;                 // their comparison forms
    std::vector<int64_t> offsets; // of every unit from the start of the block
    int64_t size = 0;             // bytes in the block

    qsizetype Count() const { return units.size(); }
    bool SeparatorAt(qsizetype i) const { return IsWordSeparator(units[i].unicode()); }
    int64_t EndOf(qsizetype i) const { return i < Count() ? offsets[i] : size; }
    // The number of units that start at or before offset.
    qsizetype StartingUpTo(int64_t offset) const {
        return std::upper_bound(offsets.begin(), offsets.end(), offset) - offsets.begin();
    }
    QByteArrayView KeyBytes() const {
        return qxsearch::UnitBytes(reinterpret_cast<const char16_t*>(keys.utf16()), keys.size());
    }
};

// The bytes of the match of length units at unit j. Several units can stand for one byte (a
// page may decode one byte into a letter and a sign): a match that ends inside such a group takes
// the whole byte, so that every match covers at least one byte.
struct MatchExtent {
    int64_t length, firstCharLength, lastCharStart;
};

MatchExtent ExtentOf(const DecodedBlock& block, qsizetype j, qsizetype length, int64_t blockStart) {
    qsizetype second = j + 1;
    while (second < block.Count() && block.offsets[second] == block.offsets[j])
        ++second;
    qsizetype end = j + length;
    while (end < block.Count() && block.offsets[end] == block.offsets[end - 1])
        ++end;
    return {block.EndOf(end) - block.offsets[j], block.EndOf(second) - block.offsets[j],
            blockStart + block.offsets[j + length - 1]};
}

DecodedBlock Decode(const char* bytes, int64_t from, int64_t size, TQXEncoding encoding,
                    bool caseSensitive) {
    DecodedBlock block;
    block.size = size;
    block.units =
        CodepageToUnicode(QByteArrayView(bytes + from, size - from), encoding, block.offsets);
    for (int64_t& offset : block.offsets)
        offset += from;
    block.keys = caseSensitive ? block.units : qxsearch::Folded(block.units, qxsearch::AnsiFold());
    return block;
}

QByteArray NeedleOf(const QString& text, bool caseSensitive) {
    const QString needle = caseSensitive ? text : qxsearch::Folded(text, qxsearch::AnsiFold());
    return qxsearch::UnitBytes(reinterpret_cast<const char16_t*>(needle.utf16()), needle.size())
        .toByteArray();
}

// Whether a character certainly starts at bytes[i], whatever came before: after a byte that is a
// character by itself in every multi-byte page (none uses a byte below 0x30 inside a character),
// and in UTF-8 at any byte that is not a continuation byte.
bool CertainStart(const char* bytes, int64_t i, bool utf8) {
    if (utf8)
        return qxsearch::Utf8StartByte(bytes[i]);
    return i > 0 && static_cast<unsigned char>(bytes[i - 1]) < 0x30;
}

// A place in the first half of a backward block where decoding can start; 0 when there is none.
int64_t SyncPoint(const char* bytes, int64_t size, bool utf8) {
    const int64_t limit = size / 2;
    for (int64_t i = 1; i < limit; ++i) {
        if (CertainStart(bytes, i, utf8))
            return i;
    }
    return 0;
}

} // namespace

int64_t TQXStreamSearch::SearchVariableForward(SearchRun& run) {
    const qsizetype length = run.text.size();
    const qxsearch::NeedleFinder finder(NeedleOf(run.text, run.caseSensitive), 2);
    bool continuation = false;
    for (;;) {
        const int64_t blockStart = run.pos;
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), SearchBlockSize);
        const bool lastBlock = read < SearchBlockSize;
        const DecodedBlock block =
            Decode(run.buffer.data(), 0, read, run.encoding, run.caseSensitive);
        // A character cut by the block's end decodes wrongly; it is read whole by the next block.
        const qsizetype reliable =
            lastBlock ? block.Count() : block.StartingUpTo(read - MaxCharBytes);
        const auto accept = [&](qsizetype j) {
            if (!run.wholeWords)
                return true;
            if (j > 0 && !block.SeparatorAt(j - 1))
                return false;
            if (j + length < reliable)
                return block.SeparatorAt(j + length);
            return lastBlock;
        };
        // The first unit of a later block was judged in the previous one, with both neighbours.
        const qsizetype j = finder.Find(block.KeyBytes(), /*forward=*/true, continuation ? 1 : 0,
                                        reliable - length, accept);
        if (j >= 0) {
            const MatchExtent e = ExtentOf(block, j, length, blockStart);
            FMatch = {e.length, e.firstCharLength, e.lastCharStart};
            return blockStart + block.offsets[j];
        }
        if (!DoProgress(run.pos) || lastBlock)
            return -1;
        // The next block starts one character before the first match that could not be judged.
        const qsizetype next = reliable - length - 1;
        if (next < 1 || block.offsets[next] <= 0)
            return -1;
        run.pos = blockStart + block.offsets[next];
        if (run.pos > run.maxPos)
            return -1;
        continuation = true;
    }
}

int64_t TQXStreamSearch::SearchVariableBackward(SearchRun& run) {
    const qsizetype length = run.text.size();
    const qxsearch::NeedleFinder finder(NeedleOf(run.text, run.caseSensitive), 2);
    const bool utf8 = qxsearch::IsUtf8(run.encoding);
    bool firstBlock = true;
    for (;;) {
        // The block reaches far enough past pos that the character after a match is read whole.
        const int64_t blockEnd = std::min(FStreamSize, run.pos + 2 * MaxCharBytes);
        const int64_t blockStart = std::max<int64_t>(0, blockEnd - SearchBlockSize);
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), blockEnd - blockStart);
        const bool lastBlock = blockStart == 0;
        int64_t sync = lastBlock ? 0 : SyncPoint(run.buffer.data(), read, utf8);
        if (!lastBlock && sync == 0) {
            // Text without a certain start this close: where characters start here is known only
            // from a place further back.
            sync = CharStartsAround(run, blockStart).after - blockStart;
        }
        const DecodedBlock block =
            Decode(run.buffer.data(), sync, read, run.encoding, run.caseSensitive);
        const int64_t limit = run.pos - blockStart;
        const bool reachesEnd = blockStart + read >= FStreamSize;
        const auto accept = [&](qsizetype j) {
            if (!run.wholeWords)
                return true;
            // What precedes the first unit is known only at the start of the stream.
            if (j == 0 ? !lastBlock : !block.SeparatorAt(j - 1))
                return false;
            const qsizetype after = j + length;
            // As with one-byte characters, a match ending at the start position has no follower.
            if (firstBlock && block.offsets[after - 1] == limit)
                return true;
            return after < block.Count() ? block.SeparatorAt(after) : reachesEnd;
        };
        const qsizetype j = finder.Find(block.KeyBytes(), /*forward=*/false, 0,
                                        block.StartingUpTo(limit) - length, accept);
        if (j >= 0) {
            const MatchExtent e = ExtentOf(block, j, length, blockStart);
            FMatch = {e.length, e.firstCharLength, e.lastCharStart};
            return blockStart + block.offsets[j];
        }
        if (!DoProgress(run.pos) || lastBlock || block.Count() < length)
            return -1;
        // The next block ends with the last character of a match at the first unit, which waited
        // for what precedes it.
        const int64_t next = blockStart + block.offsets[length - 1];
        if (next >= run.pos)
            return -1;
        run.pos = next;
        firstBlock = false;
    }
}

TQXStreamSearch::CharStarts TQXStreamSearch::CharStartsAround(SearchRun& run, int64_t offset) {
    offset = std::clamp<int64_t>(offset, 0, FStreamSize);
    if (offset == 0 || offset == FStreamSize)
        return {offset, offset};
    const bool utf8 = qxsearch::IsUtf8(run.encoding);
    char* bytes = run.scratch.data();
    const auto chunk = static_cast<int64_t>(run.scratch.size());
    // Start at the nearest known start before offset: one found by an earlier call of this search,
    // or a certain one, or the start of the stream.
    const auto known = std::upper_bound(run.charStarts.begin(), run.charStarts.end(), offset);
    int64_t from = known == run.charStarts.begin() ? 0 : *std::prev(known);
    if (from == offset)
        return {offset, offset};
    // bytes[offset] itself is read for UTF-8, whose test looks at the byte that starts.
    for (int64_t end = offset + 1; end - 1 > from;) {
        const int64_t begin = std::max(from, end - chunk);
        ReadBlock(begin, bytes, end - begin);
        int64_t i = end - 1 - begin;
        while (i > 0 && !CertainStart(bytes, i, utf8))
            --i;
        if (i > 0) {
            from = begin + i;
            break;
        }
        end = begin + 1;
    }
    if (from == offset)
        return {offset, offset};
    // Decode from there on: characters cut at the end of a piece are read whole by the next one.
    for (;;) {
        const int64_t read = ReadBlock(from, bytes, std::min(chunk, FStreamSize - from));
        const bool last = from + read >= FStreamSize;
        const DecodedBlock block = Decode(bytes, 0, read, run.encoding, /*caseSensitive=*/true);
        const int64_t reliable = last ? read : read - MaxCharBytes;
        const int64_t target = offset - from;
        if (target < reliable || last) {
            const qsizetype upTo = block.StartingUpTo(target);
            const int64_t before = upTo > 0 ? block.offsets[upTo - 1] : 0;
            if (before == target)
                return {offset, offset};
            return {from + before, from + block.EndOf(upTo)};
        }
        const qsizetype next = block.StartingUpTo(reliable) - 1;
        if (next < 1 || block.offsets[next] <= 0)
            return {from, from};
        from += block.offsets[next];
        run.charStarts.insert(std::upper_bound(run.charStarts.begin(), run.charStarts.end(), from),
                              from);
    }
}
