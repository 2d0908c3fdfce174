// BusTransforms.cpp — byte swaps, bit reversal, chip splits and line scrambles.
#include "BusTransforms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace tool {

namespace {

// Permutes the bits of a value: bit i of the result is bit lines[i] of the value.
uint32_t PermuteBits(uint32_t value, const int* lines, int count) {
    uint32_t result = 0;
    for (int i = 0; i < count; ++i)
        result |= ((value >> lines[i]) & 1u) << i;
    return result;
}

bool IsPermutation(const int* lines, int count) {
    std::vector<bool> seen(count, false);
    for (int i = 0; i < count; ++i) {
        if (lines[i] < 0 || lines[i] >= count || seen[lines[i]])
            return false;
        seen[lines[i]] = true;
    }
    return true;
}

} // namespace

namespace {

// Byte-reverses each word of type Word; whole-word loads and stores let the compiler vectorise.
template <typename Word, Word (*Reverse)(Word)> void SwapWords(uint8_t* bytes, int64_t n) {
    for (int64_t i = 0; i + static_cast<int64_t>(sizeof(Word)) <= n; i += sizeof(Word)) {
        Word w;
        std::memcpy(&w, bytes + i, sizeof w);
        w = Reverse(w);
        std::memcpy(bytes + i, &w, sizeof w);
    }
}

uint16_t Reverse16(uint16_t w) {
    return static_cast<uint16_t>(w << 8 | w >> 8);
}
uint32_t Reverse32(uint32_t w) {
    return __builtin_bswap32(w);
}
uint64_t Reverse64(uint64_t w) {
    return __builtin_bswap64(w);
}

} // namespace

void SwapWordBytes(uint8_t* bytes, int64_t n, int wordSize) {
    switch (wordSize) {
    case 2:
        SwapWords<uint16_t, Reverse16>(bytes, n);
        return;
    case 4:
        SwapWords<uint32_t, Reverse32>(bytes, n);
        return;
    case 8:
        SwapWords<uint64_t, Reverse64>(bytes, n);
        return;
    default:
        for (int64_t i = 0; i + wordSize <= n; i += wordSize)
            std::reverse(bytes + i, bytes + i + wordSize);
    }
}

void ReverseBitsInBytes(uint8_t* bytes, int64_t n) {
    static const auto table = [] {
        std::array<uint8_t, 256> t{};
        const int reversed[8] = {7, 6, 5, 4, 3, 2, 1, 0};
        for (uint32_t v = 0; v < 256; ++v)
            t[v] = static_cast<uint8_t>(PermuteBits(v, reversed, 8));
        return t;
    }();
    // Eight bytes at a time, by swapping neighbouring bits, pairs and nibbles inside each byte:
    // no table look-up per byte, and the compiler can vectorize the word loop.
    int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x;
        std::memcpy(&x, bytes + i, 8);
        x = (x >> 1 & 0x5555555555555555ull) | (x & 0x5555555555555555ull) << 1;
        x = (x >> 2 & 0x3333333333333333ull) | (x & 0x3333333333333333ull) << 2;
        x = (x >> 4 & 0x0F0F0F0F0F0F0F0Full) | (x & 0x0F0F0F0F0F0F0F0Full) << 4;
        std::memcpy(bytes + i, &x, 8);
    }
    for (; i < n; ++i)
        bytes[i] = table[bytes[i]];
}

std::vector<Bytes> SplitWays(const Bytes& image, int ways, int width) {
    const int64_t units = static_cast<int64_t>(image.size()) / width;
    std::vector<Bytes> parts(ways);
    for (auto& part : parts)
        part.reserve(static_cast<size_t>(units / ways * width));
    for (int64_t u = 0; u < units; ++u) {
        const auto from = image.begin() + u * width;
        Bytes& part = parts[u % ways];
        part.insert(part.end(), from, from + width);
    }
    return parts;
}

Bytes InterleaveWays(const std::vector<Bytes>& parts, int width) {
    const int64_t unitsPerPart = static_cast<int64_t>(parts.front().size()) / width;
    Bytes image;
    image.reserve(parts.size() * parts.front().size());
    for (int64_t u = 0; u < unitsPerPart; ++u)
        for (const Bytes& part : parts) {
            const auto from = part.begin() + u * width;
            image.insert(image.end(), from, from + width);
        }
    return image;
}

std::string WiringProblem(const BusWiring& wiring) {
    const int lines = static_cast<int>(wiring.addressLines.size());
    if (lines > 31)
        return "more than 31 address lines";
    if (!IsPermutation(wiring.addressLines.data(), lines))
        return "the address lines are not a permutation of 0.." + std::to_string(lines - 1);
    if (!IsPermutation(wiring.dataLines.data(), 8))
        return "the data lines are not a permutation of 0..7";
    if (lines < 32 && (wiring.addressXor >> lines) != 0) {
        char text[96];
        std::snprintf(text, sizeof text, "the address mask 0x%X needs more than %d address lines",
                      wiring.addressXor, lines);
        return text;
    }
    return {};
}

Bytes Scramble(const Bytes& image, const BusWiring& wiring, ScrambleDirection direction) {
    const int lines = static_cast<int>(wiring.addressLines.size());
    const int64_t block = int64_t{1} << lines;

    // P(a) is the OR of one table entry per byte of a, so a 2^28-byte block needs no 2^28 table.
    std::array<std::array<uint32_t, 256>, 4> addressTable{};
    for (int chunk = 0; chunk < 4; ++chunk)
        for (uint32_t v = 0; v < 256; ++v)
            addressTable[chunk][v] =
                PermuteBits(v << (8 * chunk), wiring.addressLines.data(), lines);
    auto permuteAddress = [&](uint32_t a) {
        return addressTable[0][a & 0xFF] | addressTable[1][(a >> 8) & 0xFF] |
               addressTable[2][(a >> 16) & 0xFF] | addressTable[3][a >> 24];
    };

    std::array<uint8_t, 256> dataTable{};
    for (uint32_t v = 0; v < 256; ++v) {
        const auto q = static_cast<uint8_t>(PermuteBits(v, wiring.dataLines.data(), 8));
        if (direction == ScrambleDirection::Forward)
            dataTable[v] = q ^ wiring.dataXor;
        else
            dataTable[q] = static_cast<uint8_t>(v);
    }

    Bytes result(image.size());
    const int64_t size = static_cast<int64_t>(image.size());
    for (int64_t base = 0; base < size; base += block) {
        const uint8_t* in = image.data() + base;
        uint8_t* out = result.data() + base;
        for (int64_t a = 0; a < block; ++a) {
            const uint32_t moved = permuteAddress(static_cast<uint32_t>(a)) ^ wiring.addressXor;
            if (direction == ScrambleDirection::Forward)
                out[moved] = dataTable[in[a]];
            else
                out[a] = dataTable[in[moved] ^ wiring.dataXor];
        }
    }
    return result;
}

} // namespace tool
