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

constexpr int Utf8Codepage = 65001;

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

DecodedBlock Decode(const char* bytes, int64_t from, int64_t size, TQXEncoding encoding,
                    bool caseSensitive) {
    DecodedBlock block;
    block.size = size;
    block.units =
        CodepageToUnicode(QByteArrayView(bytes + from, size - from), encoding, block.offsets);
    for (int64_t& offset : block.offsets)
        offset += from;
    block.keys = block.units;
    if (!caseSensitive) {
        const qxsearch::FoldTable& fold = qxsearch::AnsiFold();
        for (QChar& c : block.keys)
            c = QChar(fold[c.unicode()]);
    }
    return block;
}

QByteArray NeedleOf(const QString& text, bool caseSensitive) {
    QString needle = text;
    if (!caseSensitive) {
        const qxsearch::FoldTable& fold = qxsearch::AnsiFold();
        for (QChar& c : needle)
            c = QChar(fold[c.unicode()]);
    }
    return qxsearch::UnitBytes(reinterpret_cast<const char16_t*>(needle.utf16()), needle.size())
        .toByteArray();
}

// A place in a backward block where decoding can start: after a byte that is a character by itself
// in every multi-byte page (none uses a byte below 0x30 inside a character), and in UTF-8 at any
// byte that is not a continuation byte. Without one in the first half the block starts at 0.
int64_t SyncPoint(const char* bytes, int64_t size, bool utf8) {
    const int64_t limit = size / 2;
    for (int64_t i = 1; i < limit; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const auto before = static_cast<unsigned char>(bytes[i - 1]);
        if (utf8 ? (b & 0xC0) != 0x80 : before < 0x30)
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
            qsizetype second = j + 1;
            while (second < block.Count() && block.offsets[second] == block.offsets[j])
                ++second;
            FMatch.Length = block.EndOf(j + length) - block.offsets[j];
            FMatch.FirstCharLength = block.EndOf(second) - block.offsets[j];
            FMatch.LastCharStart = blockStart + block.offsets[j + length - 1];
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
    const bool utf8 = platform::ResolveCodepage(CodepageID(run.encoding)) == Utf8Codepage;
    bool firstBlock = true;
    for (;;) {
        // The block reaches far enough past pos that the character after a match is read whole.
        const int64_t blockEnd = std::min(FStreamSize, run.pos + 2 * MaxCharBytes);
        const int64_t blockStart = std::max<int64_t>(0, blockEnd - SearchBlockSize);
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), blockEnd - blockStart);
        const bool lastBlock = blockStart == 0;
        const int64_t sync = lastBlock ? 0 : SyncPoint(run.buffer.data(), read, utf8);
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
            qsizetype second = j + 1;
            while (second < block.Count() && block.offsets[second] == block.offsets[j])
                ++second;
            FMatch.Length = block.EndOf(j + length) - block.offsets[j];
            FMatch.FirstCharLength = block.EndOf(second) - block.offsets[j];
            FMatch.LastCharStart = blockStart + block.offsets[j + length - 1];
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
