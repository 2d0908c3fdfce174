// BusTransforms.h — rearrangements for chips on a board's bus: byte swaps inside words, reversed
// data lines, splitting and interleaving over several chips, and permuted or inverted address and
// data lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tool {

using Bytes = std::vector<uint8_t>;

// Reverses the byte order inside each wordSize-byte word. n must be a multiple of wordSize.
void SwapWordBytes(uint8_t* bytes, int64_t n, int wordSize);
// Reverses the bit order of every byte (D0 becomes D7).
void ReverseBitsInBytes(uint8_t* bytes, int64_t n);

// Deals the image's units of width bytes out to ways chips in turn: unit k goes to chip k mod
// ways. The size must be a multiple of ways * width.
std::vector<Bytes> SplitWays(const Bytes& image, int ways, int width);
// The inverse of SplitWays: takes one width-byte unit from each part in turn. All parts must have
// the same size, a multiple of width.
Bytes InterleaveWays(const std::vector<Bytes>& parts, int width);

// A board's wiring of address and data lines. Line i of the result comes from line
// addressLines[i] (dataLines[i]) of the source, then the masks invert the result's lines. The
// address lines must be a permutation of 0 .. addressLines.size() - 1; higher address lines pass
// through unchanged, so the scramble works on each block of 2^addressLines.size() bytes.
struct BusWiring {
    std::vector<int> addressLines;
    std::array<int, 8> dataLines{0, 1, 2, 3, 4, 5, 6, 7};
    uint32_t addressXor = 0;
    uint8_t dataXor = 0;
};

// The wiring's ranges are checked: an empty string or the reason it is unusable ("the address
// lines ... are not a permutation", "the address mask 0x... needs more than N lines").
std::string WiringProblem(const BusWiring& wiring);

// Forward: result[P(a) ^ addressXor] = Q(image[a]) ^ dataXor, with P and Q the line permutations.
// Reverse undoes Forward. The size must be a multiple of the block of 2^lines bytes; the wiring
// must have no WiringProblem.
enum class ScrambleDirection { Forward, Reverse };
Bytes Scramble(const Bytes& image, const BusWiring& wiring, ScrambleDirection direction);

} // namespace tool
