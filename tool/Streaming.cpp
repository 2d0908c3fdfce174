// Streaming.cpp — block-wise mirror, pointwise changes, scrambles, splits and checksums.
#include "Streaming.h"

#include "Checksums.h"
#include "ImageTransforms.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tool {

namespace {

int64_t blockSize = int64_t{1} << 20;

// A multiple of unit near the block size, at least one unit.
int64_t BlockOf(int64_t unit) {
    return std::max<int64_t>(unit, StreamBlockSize() / unit * unit);
}

// Where MirrorWords takes each byte of an image of n = 3, 4 or 5 bytes, found by running it on the
// offsets themselves: its last swap in the middle of a larger image is this same swap.
const std::array<uint8_t, 5>& MiddleSources(int64_t n, bool highByteFirst) {
    static const auto tables = [] {
        std::array<std::array<std::array<uint8_t, 5>, 2>, 6> t{};
        for (int size = 3; size <= 5; ++size)
            for (int high = 0; high < 2; ++high) {
                std::array<uint8_t, 5>& offsets = t[size][high];
                for (int k = 0; k < 5; ++k)
                    offsets[k] = static_cast<uint8_t>(k);
                MirrorWords(offsets.data(), size, high == 1);
            }
        return t;
    }();
    return tables[n][highByteFirst ? 1 : 0];
}

uint64_t Load64(const uint8_t* p) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    return x;
}

void Store64(uint8_t* p, uint64_t x) {
    std::memcpy(p, &x, 8);
}

// to[k] = from[n - 1 - k], eight bytes at a time: the byte mirror's kernel, which otherwise costs
// more than reading and writing the block.
void ReverseBytes(const uint8_t* from, uint8_t* to, int64_t n) {
    int64_t k = 0;
    for (; k + 8 <= n; k += 8)
        Store64(to + k, __builtin_bswap64(Load64(from + n - k - 8)));
    for (; k < n; ++k)
        to[k] = from[n - 1 - k];
}

// The 16-bit words of from in reverse order, each word's bytes kept: words words.
void ReverseWords(const uint8_t* from, uint8_t* to, int64_t words) {
    const int64_t n = 2 * words;
    int64_t k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t x = Load64(from + n - k - 8);
        x = x >> 32 | x << 32;
        x = (x >> 16 & 0x0000FFFF0000FFFFull) | (x & 0x0000FFFF0000FFFFull) << 16;
        Store64(to + k, x);
    }
    for (; k < n; k += 2) {
        to[k] = from[n - k - 2];
        to[k + 1] = from[n - k - 1];
    }
}

// Output bytes [begin, end) of the word mirror of an n-byte image into out, from in, which holds
// the image's bytes from offset inStart on. Away from the middle swap, with the high byte first the
// words' bytes come out plainly reversed; with the low byte first each pair of the reversal is
// swapped back, the pairs aligned to 0 below the middle and to n above it.
void MirrorWordsBlock(const uint8_t* in, int64_t inStart, uint8_t* out, int64_t begin, int64_t end,
                      int64_t n, bool highByteFirst) {
    const int64_t middleStart = n <= 2 ? 0 : 2 * ((n - 2) / 4);
    const int64_t middleEnd = n <= 2 ? n : n - middleStart;
    auto outer = [&](int64_t from, int64_t to, int64_t alignment) {
        if (from >= to)
            return;
        if (highByteFirst) {
            ReverseBytes(in + (n - to - inStart), out + (from - begin), to - from);
            return;
        }
        // Byte i comes from n - 2 - i when i is the first of its pair, from n - i when it is the
        // second: whole pairs are words taken in reverse order.
        int64_t i = from;
        if ((i - alignment) & 1) {
            out[i - begin] = in[n - i - inStart];
            ++i;
        }
        const int64_t words = (to - i) / 2;
        ReverseWords(in + (n - i - 2 * words - inStart), out + (i - begin), words);
        i += 2 * words;
        if (i < to)
            out[i - begin] = in[n - 2 - i - inStart];
    };
    outer(begin, std::min(end, middleStart), 0);
    for (int64_t i = std::max(begin, middleStart); i < std::min(end, middleEnd); ++i)
        out[i - begin] = in[MirrorWordSource(i, n, highByteFirst) - inStart];
    outer(std::max(begin, middleEnd), end, n);
}

} // namespace

int64_t StreamBlockSize() {
    return blockSize;
}

void SetStreamBlockSize(int64_t bytes) {
    blockSize = std::max<int64_t>(8, (bytes + 7) / 8 * 8);
}

int64_t MirrorWordSource(int64_t i, int64_t n, bool highByteFirst) {
    if (n <= 2)
        return i;
    // MirrorWords swaps the pair at 2k with the pair at n - 2 - 2k for k = 0 .. last; the swaps
    // before the last one touch disjoint pairs, the last covers [2 * last, n - 2 * last).
    const int64_t last = (n - 2) / 4;
    const int64_t middleStart = 2 * last;
    const int64_t middleEnd = n - 2 * last;
    if (i < middleStart) {
        const int64_t k = i / 2, r = i % 2;
        return highByteFirst ? n - 1 - 2 * k - r : n - 2 - 2 * k + r;
    }
    if (i >= middleEnd) {
        const int64_t k = (n - 1 - i) / 2, r = i - (n - 2 - 2 * k);
        return highByteFirst ? 2 * k + 1 - r : 2 * k + r;
    }
    const int64_t middle = middleEnd - middleStart;
    if (middle == 2)
        return highByteFirst ? middleStart + (middleStart + 1 - i) : i;
    return middleStart + MiddleSources(middle, highByteFirst)[i - middleStart];
}

void StreamChanged(ByteSource& source, ImageWriter& writer,
                   const std::function<void(uint8_t*, int64_t)>& change) {
    const int64_t size = source.size();
    std::vector<uint8_t> block(static_cast<size_t>(std::min(BlockOf(8), size)));
    for (int64_t at = 0; at < size;) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()), size - at);
        source.read(at, block.data(), n);
        change(block.data(), n);
        writer.append(block.data(), n);
        at += n;
    }
}

void StreamRanges(ByteSource& source, ImageWriter& writer, const std::vector<DataRange>& ranges,
                  int64_t unit, uint8_t fill,
                  const std::function<void(uint8_t*, int64_t)>& change) {
    if (ranges.empty())
        return;
    auto alignDown = [unit](int64_t offset) { return offset / unit * unit; };
    auto alignUp = [unit](int64_t offset) { return (offset + unit - 1) / unit * unit; };
    int64_t longest = 0;
    for (const DataRange& range : ranges)
        longest = std::max(longest, alignUp(range.offset + range.length) - alignDown(range.offset));
    const int64_t blockBytes = std::min(BlockOf(unit), longest);
    std::vector<uint8_t> block(static_cast<size_t>(blockBytes));
    int64_t written = ranges.front().offset;
    for (const DataRange& range : ranges) {
        if (range.offset > written)
            writer.gap(range.offset - written, fill);
        const int64_t end = range.offset + range.length;
        for (int64_t at = alignDown(range.offset); at < end; at += blockBytes) {
            const int64_t stop = std::min(at + blockBytes, alignUp(end));
            source.read(at, block.data(), stop - at);
            change(block.data(), stop - at);
            const int64_t from = std::max(at, range.offset);
            writer.append(block.data() + (from - at), std::min(stop, end) - from);
        }
        written = end;
    }
}

std::vector<DataRange> SwappedRanges(const std::vector<DataRange>& ranges, int64_t wordSize) {
    std::vector<DataRange> moved;
    for (const DataRange& range : ranges) {
        const int64_t end = range.offset + range.length;
        for (int64_t at = range.offset; at < end;) {
            const int64_t word = at / wordSize * wordSize;
            if (at == word && end >= word + wordSize) {
                // Whole words keep their place.
                const int64_t wholeEnd = end / wordSize * wordSize;
                moved.push_back({at, wholeEnd - at});
                at = wholeEnd;
            } else {
                // Part of a word, [at, pieceEnd), lands reversed at its word's other end.
                const int64_t pieceEnd = std::min(end, word + wordSize);
                moved.push_back({2 * word + wordSize - pieceEnd, pieceEnd - at});
                at = pieceEnd;
            }
        }
    }
    std::sort(moved.begin(), moved.end(),
              [](const DataRange& a, const DataRange& b) { return a.offset < b.offset; });
    std::vector<DataRange> merged;
    for (const DataRange& range : moved) {
        if (!merged.empty() && merged.back().offset + merged.back().length == range.offset)
            merged.back().length += range.length;
        else
            merged.push_back(range);
    }
    return merged;
}

void StreamMirror(ByteSource& source, ImageWriter& writer, int dataSizeIndex, bool lowByteFirst) {
    const int64_t size = source.size();
    if (dataSizeIndex != 0 && dataSizeIndex != 1) {
        StreamChanged(source, writer, [](uint8_t*, int64_t) {});
        return;
    }
    // Output byte i comes from near n - 1 - i: for words at most 4 bytes away from it.
    const int64_t margin = dataSizeIndex == 0 ? 0 : 4;
    const int64_t blockBytes = std::min(BlockOf(8), size);
    std::vector<uint8_t> in(static_cast<size_t>(blockBytes + 2 * margin));
    std::vector<uint8_t> out(static_cast<size_t>(blockBytes));
    for (int64_t at = 0; at < size;) {
        const int64_t n = std::min(blockBytes, size - at);
        const int64_t from = std::max<int64_t>(0, size - at - n - margin);
        const int64_t to = std::min<int64_t>(size, size - at + margin);
        source.read(from, in.data(), to - from);
        if (dataSizeIndex == 0) {
            ReverseBytes(in.data(), out.data(), n);
        } else {
            MirrorWordsBlock(in.data(), from, out.data(), at, at + n, size, !lowByteFirst);
        }
        writer.append(out.data(), n);
        at += n;
    }
}

void StreamScramble(ByteSource& source, ImageWriter& writer, const BusWiring& wiring,
                    ScrambleDirection direction) {
    const int64_t size = source.size();
    const int64_t chunk = BlockOf(int64_t{1} << wiring.addressLines.size());
    Bytes block;
    for (int64_t at = 0; at < size;) {
        const int64_t n = std::min(chunk, size - at);
        block.resize(static_cast<size_t>(n));
        source.read(at, block.data(), n);
        const Bytes result = Scramble(block, wiring, direction);
        writer.append(result.data(), n);
        at += n;
    }
}

void StreamSplit(ByteSource& source, const std::vector<ImageWriter*>& parts, int width) {
    const int64_t ways = static_cast<int64_t>(parts.size());
    const int64_t size = source.size();
    Bytes block(static_cast<size_t>(std::min(BlockOf(ways * width), size)));
    for (int64_t at = 0; at < size;) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()), size - at);
        block.resize(static_cast<size_t>(n));
        source.read(at, block.data(), n);
        std::vector<Bytes> dealt = SplitWays(block, static_cast<int>(ways), width);
        for (int64_t k = 0; k < ways; ++k)
            parts[k]->append(dealt[k].data(), static_cast<int64_t>(dealt[k].size()));
        at += n;
    }
}

void StreamInterleave(const std::vector<ByteSource*>& parts, ImageWriter& writer, int width) {
    const int64_t size = parts.front()->size();
    const int64_t chunk =
        BlockOf(width * int64_t{8}) / static_cast<int64_t>(parts.size()) / width * width;
    std::vector<Bytes> blocks(parts.size());
    for (int64_t at = 0; at < size;) {
        const int64_t n = std::min(std::max<int64_t>(chunk, width), size - at);
        for (size_t k = 0; k < parts.size(); ++k) {
            blocks[k].resize(static_cast<size_t>(n));
            parts[k]->read(at, blocks[k].data(), n);
        }
        const Bytes image = InterleaveWays(blocks, width);
        writer.append(image.data(), static_cast<int64_t>(image.size()));
        at += n;
    }
}

void ReadInBlocks(ByteSource& source, int64_t from, int64_t to,
                  const std::function<void(const uint8_t*, int64_t)>& visit) {
    Bytes block(static_cast<size_t>(std::clamp<int64_t>(to - from, 0, StreamBlockSize())));
    for (int64_t at = from; at < to;) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()), to - at);
        source.read(at, block.data(), n);
        visit(block.data(), n);
        at += n;
    }
}

std::string StreamChecksumReport(ByteSource& source) {
    ChecksumAccumulator sums;
    ReadInBlocks(source, 0, source.size(),
                 [&](const uint8_t* bytes, int64_t n) { sums.add(bytes, n); });
    return sums.report();
}

} // namespace tool
