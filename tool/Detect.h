// Detect.h — finding the vornex-tool commands that turn a reference image into a dump, and ranking
// the commands that may undo an unknown dump's rearrangement by what firmware looks like.
#pragma once

#include "BusTransforms.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tool {

// One vornex-tool command of a recipe; each step works on the result of the one before.
struct DetectStep {
    enum class Kind { Convert, Mirror, Swap, Bitrev, Invert, Split, Scramble };
    Kind kind = Kind::Convert;
    // mirror: 1 or 2; swap: 2, 4 or 8.
    int size = 0;
    // mirror --order low (true) or high.
    bool lowFirst = true;
    // split: the result is part `part` of a split into `ways` parts of `width`-byte units.
    int ways = 1;
    int width = 1;
    int part = 0;
    // scramble, forward.
    BusWiring wiring;
};
using Recipe = std::vector<DetectStep>;

// The steps applied in turn to image through the functions the commands run. A step that does not
// apply to the size it gets (a swap or split of a partial word, a scramble of a partial block)
// gives an empty image.
Bytes ApplyRecipe(const Recipe& recipe, const Bytes& image);

// The command lines that apply the recipe to the file input and write output: intermediate results
// go to output.1, output.2, ..., a split's parts to output.part.K; inputOptions (such as
// --in-format) are given to the first command only. result names the file that holds the final
// image: output, or the part file when the recipe ends in a split. An empty recipe is one convert.
struct RecipeLines {
    std::vector<std::string> lines;
    std::string result;
};
RecipeLines RecipeCommands(const Recipe& recipe, const std::string& input,
                           const std::string& output, const std::vector<std::string>& inputOptions);

// A short account of the steps, such as "part 1 of a 2-way split, 2-byte words swapped, inverted".
std::string DescribeRecipe(const Recipe& recipe);

// detect reports a transformation when at least this share of the dump's bytes match.
inline constexpr double DetectMinMatch = 0.90;

// The transformation found and how well its result matches the dump.
struct Detection {
    Recipe recipe;
    // Bytes of ApplyRecipe(recipe, reference) that differ from the dump, of dumpSize.
    int64_t differing = 0;
    int64_t dumpSize = 0;
    double share() const {
        return dumpSize == 0 ? 1.0 : 1.0 - static_cast<double>(differing) / dumpSize;
    }
};

// The simplest recipe found whose result has the dump's size and matches it best. The families
// searched, in this order:
// - the dump as the whole reference (same size) or one part of a 2- or 4-way split at width 1 or 2
//   (a half or a quarter), then a byte or word mirror and/or a 2-, 4- or 8-byte swap, in either
//   order, at any size, with any data-line map: a permutation of the 8 lines and an inversion mask
//   (bitrev, invert and scramble --data-lines/--data-xor);
// - a permutation of the low address lines with an inversion mask (scramble --address-lines and
//   --address-xor), up to 22 lines or as many as the dump's size is a multiple of 2^lines, with any
//   data-line map; on a half or a quarter the reference's lines may be permuted before the split.
//   The data map is told by the bytes' histogram, so this family needs the dump's bytes to be the
//   reference's (or the part's) in another order, up to a few bad bytes.
// The result's match share is exact; nothing is returned when no candidate reaches DetectMinMatch,
// and bestShare (when given) receives the best share seen.
std::optional<Detection> DetectTransformation(const Bytes& reference, const Bytes& dump,
                                              double* bestShare = nullptr);

// A guess at the rearrangement of a dump of unknown origin: the recipe that undoes it and the
// signs of firmware its result shows.
struct Guess {
    Recipe undo;
    double score = 0;
    std::vector<std::string> reasons;
};

// The count best-scoring recipes among the cheap families — an optional 2- or 4-way split part, a
// byte or word mirror, a 2-, 4- or 8-byte swap, bitrev, invert — scored on what their result looks
// like: a reset vector at its start (8051 LJMP, Z80 JP, 68000 stack and reset addresses, an ARM
// Cortex-M vector table) or an x86 far jump 16 bytes before its end, runs of printable ASCII, and
// erased 0xFF bytes at its end. Best first; of equal scores the simpler recipe first.
std::vector<Guess> GuessUndo(const Bytes& dump, int count);

} // namespace tool
