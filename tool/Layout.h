// Layout.h — images cut, repeated and laid over each other at addresses, written block by block
// with their gaps: the ground of pad, crop, repeat, chunk and merge.
#pragma once

#include "ByteStreams.h"
#include "ImageFormats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tool {

// One past the highest address the tool writes: records hold 32-bit addresses.
inline constexpr int64_t AddressLimit = int64_t{1} << 32;

// Appends the source's bytes [offset, offset + n) to writer, read in blocks of StreamBlockSize().
void StreamBytes(ByteSource& source, int64_t offset, int64_t n, ImageWriter& writer);
// Appends n bytes of value as data: records in a record output, like any other byte.
void AppendFill(ImageWriter& writer, int64_t n, uint8_t value);
// Appends the source's offsets [from, to) to writer: the bytes of its data ranges, and for the
// offsets between them writer.gap(n, fill) (no records in a record output, fill bytes in a raw
// one). ranges are source.ranges(), asked for once by a caller that copies many spans.
void StreamSpan(ByteSource& source, const std::vector<DataRange>& ranges, int64_t from, int64_t to,
                ImageWriter& writer, uint8_t fill);

// A merge operand: a path and, after its last '@', an optional address. The text after the last
// '@' is an address when it is a number as ParseSize takes it (decimal, 0x hex, a K or M suffix);
// otherwise, or when nothing comes before the '@', the whole operand is the path. Throws a usage
// ToolError for an address past 0xFFFFFFFF.
struct Placement {
    std::string path;
    std::optional<int64_t> address;
};
Placement ParsePlacement(const std::string& operand);

// One input of a merge: its data ranges (offsets of its image) and the address of its offset 0.
struct PlacedInput {
    std::vector<DataRange> ranges;
    int64_t address = 0;
};

// A run of the merged image: length bytes of input `input` from its offset, at address.
struct MergedPiece {
    int64_t address;
    int64_t length;
    int input;
    int64_t offset;
    bool operator==(const MergedPiece&) const = default;
};

// Two inputs that give bytes for the same addresses [start, end): the first such addresses of the
// merge, and of the inputs there the two listed first.
struct Overlap {
    int first;
    int second;
    int64_t start;
    int64_t end;
    bool operator==(const Overlap&) const = default;
};

enum class OverlapRule { Refuse, FirstWins, LastWins };

// The merged image: its runs in address order, disjoint, adjacent runs of one input at
// consecutive offsets joined into one. Where inputs overlap, FirstWins takes each address from the
// first input listed that gives it and LastWins from the last; Refuse returns no runs but the
// overlap at the lowest address instead.
struct MergedLayout {
    std::vector<MergedPiece> pieces;
    std::optional<Overlap> overlap;
};
MergedLayout LayOut(const std::vector<PlacedInput>& inputs, OverlapRule rule);

} // namespace tool
