// DetectSearch.h — the search behind DetectTransformation: data-line maps fitted to pairs of bytes
// or told by histograms, the address maps it tries, and the recipes they make.
#pragma once

#include "Detect.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tool::detect {

using Histogram = std::array<int64_t, 256>;

// A data-line map: bit i of the result is bit lines[i] of the byte, then mask inverts bits.
struct DataMap {
    std::array<int, 8> lines{0, 1, 2, 3, 4, 5, 6, 7};
    uint8_t mask = 0;
    bool operator==(const DataMap&) const = default;
    // The result for every byte value.
    std::array<uint8_t, 256> table() const;
    // The map that undoes this one, as a table.
    std::array<uint8_t, 256> inverseTable() const;
};

// The data map under which the most pairs (from[k], to[k]) agree: every result bit takes the
// source bit and polarity that agree with it most often, the strongest agreements first, each
// source bit used once. matches counts the pairs whose bytes agree entirely under it.
struct DataFit {
    DataMap map;
    int64_t matches = 0;
};
DataFit FitDataMap(const uint8_t* from, const uint8_t* to, int64_t n);

// The byte counts of an image; with parts, one histogram per value of the offset's low 3 bits
// (index (offset & 7) * 256 + value), from which every split part's histogram follows.
Histogram CountBytes(const Bytes& image);
std::vector<int64_t> CountBytesByOffset(const Bytes& image);

// A histogram this near the dump's (distance per byte) tells the data map: a source that is the
// dump's bytes in another order comes within its bad bytes of 0, a sampled part of random data not.
inline constexpr double ToldDistance = 0.005;

// Up to count data maps ordered by how far a source's histogram, its counts times scale, lies from
// the dump's after the map (distance: the sum over values of the differences, over the dump's
// size), nearest first over all the sources, none farther than twice the nearest plus 0.002.
// A branch and bound over the result bits, coarser histograms bounding the distance from below,
// that gives up after a fixed number of steps with what it has. When no source comes within
// ToldDistance, only each source's map from one dive (nearest child first) is given.
struct HistogramSource {
    Histogram counts{};
    double scale = 1;
};
struct ScoredDataMap {
    DataMap map;
    double distance = 0;
};
std::vector<ScoredDataMap> DataMapsByHistogram(const std::vector<HistogramSource>& sources,
                                               const Histogram& dump, int count);

// The address map of the split-and-rewire family: dump offset j comes from reference offset
//   ((j >> dumpLines) << refLines) | (Place(j & (2^dumpLines - 1)) ^ xorMask)
// where Place moves bit i to bit from[i]; refLines - dumpLines is 0, 1 or 2 (whole, half or
// quarter), and the reference lines no dump line comes from select the part.
struct LineMap {
    int dumpLines = 0;
    int refLines = 0;
    std::vector<int> from;
    uint32_t xorMask = 0;
    int64_t source(int64_t j) const;
};

// The line map under which the dump, its bytes put through undo, best matches the reference, found
// from anchors (dump bytes of values rare in dumpCounts and the reference offsets holding them),
// each line's image decided by the votes of ever more offsets that correspond. share is the
// fraction of a sample of offsets that match; nothing when no anchor leads to a map matching half
// of them.
struct LineSearch {
    LineMap map;
    double share = 0;
};
std::optional<LineSearch> FindLineMap(const Bytes& reference, const Bytes& dump,
                                      const Histogram& dumpCounts,
                                      const std::array<uint8_t, 256>& undo, int dumpLines,
                                      int refLines);

// The reference offset dump offset j comes from under a split of the reference into ways parts
// of width-byte units, part part (ways 1: the reference itself).
inline int64_t SplitSource(int64_t j, int ways, int width, int part) {
    return (j / width * ways + part) * width + j % width;
}

// A mirror (0 none, 1 bytes, 2 words low byte first, 3 words high byte first) and a swap of
// 2, 4 or 8 bytes (0 none), the swap first or second.
struct AddressChoice {
    int mirror = 0;
    int swap = 0;
    bool swapFirst = false;
};
// The choices for an image of m bytes, simplest first: none, one mirror, one swap, both.
std::vector<AddressChoice> AddressChoices(int64_t m);
// The offset of the m-byte image that the choice puts at offset i.
int64_t ChoiceSource(const AddressChoice& choice, int64_t i, int64_t m);
Recipe ChoiceSteps(const AddressChoice& choice);

// One part of a split into ways parts of width-byte units (ways 1: the whole image).
struct Part {
    int ways = 1;
    int width = 1;
    int part = 0;
};
// The parts of an n-byte image that have m bytes: the whole when n == m, else those of the
// splits n allows.
std::vector<Part> Parts(int64_t n, int64_t m);
Recipe PartSteps(const Part& part);

// The steps of a data map alone: none, invert, bitrev, bitrev and invert, or one scramble.
Recipe DataSteps(const DataMap& data);
// The simplest steps for a line map followed by a data map, for a dump of dumpSize bytes: a
// split when reference lines are left out, then mirrors and swaps when the lines stay in place,
// otherwise one scramble that also carries the data map.
Recipe LineSteps(const LineMap& lines, const DataMap& data, int64_t dumpSize);

// Bytes that differ between a and b over their common length, plus the difference in length.
int64_t CountDiffering(const Bytes& a, const Bytes& b);

} // namespace tool::detect
