// DetectScore.cpp — detect --unknown: the cheap undo recipes ranked by the signs of firmware their
// results show.
#include "DetectSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace tool {

namespace {

using namespace detect;

// Text is sampled in windows of this size spread over the image.
constexpr int64_t TextWindow = 1024;
constexpr int TextWindows = 16;
// The erased tail is measured up to this many bytes.
constexpr int64_t TailLimit = 4096;
// Split parts smaller than this are not tried.
constexpr int64_t MinPartSize = 64;

// Weights of the signs: a reset vector that checks its addresses, one that checks a byte, text,
// English letter pairs in it, an erased tail.
constexpr double StrongVector = 3;
constexpr double WeakVector = 2;
constexpr double TextWeight = 2;
constexpr double PairWeight = 2;
constexpr double TailWeight = 1;

// A candidate's result, read a byte at a time through its split, address and data maps.
struct View {
    const Bytes& dump;
    Part part;
    AddressChoice choice;
    const std::array<uint8_t, 256>& table;
    int64_t size;

    uint8_t operator[](int64_t i) const {
        const int64_t at =
            SplitSource(ChoiceSource(choice, i, size), part.ways, part.width, part.part);
        return table[dump[static_cast<size_t>(at)]];
    }
    uint32_t little32(int64_t at) const {
        return (*this)[at] | (*this)[at + 1] << 8 | (*this)[at + 2] << 16 |
               static_cast<uint32_t>((*this)[at + 3]) << 24;
    }
    uint32_t big32(int64_t at) const {
        return static_cast<uint32_t>((*this)[at]) << 24 | (*this)[at + 1] << 16 |
               (*this)[at + 2] << 8 | (*this)[at + 3];
    }
};

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// The reset vector the result starts with (or the x86 far jump it ends with) and its weight.
std::pair<double, std::string> ResetVector(const View& v) {
    const int64_t size = v.size;
    if (size < 16)
        return {0, {}};
    const uint32_t sp = v.little32(0);
    const uint32_t reset = v.little32(4);
    const uint32_t flashBase = 0x08000000;
    if (sp >= 0x20000000 && sp <= 0x20100000 && sp % 4 == 0 && (reset & 1) && reset > 8 &&
        ((reset & ~1u) < size || (reset >= flashBase && reset - flashBase < size)))
        return {StrongVector,
                "ARM Cortex-M vector table (SP " + Hex(sp, 8) + ", reset " + Hex(reset, 8) + ")"};
    const uint32_t stack = v.big32(0);
    const uint32_t pc = v.big32(4);
    if (pc % 2 == 0 && pc >= 8 && pc < size && stack % 2 == 0 && stack != 0 && stack < 0x01000000)
        return {StrongVector, "68000 vectors (SP " + Hex(stack, 8) + ", reset " + Hex(pc, 8) + ")"};
    const int64_t reach = std::min<int64_t>(size, 0x10000);
    const uint32_t big16 = static_cast<uint32_t>(v[1]) << 8 | v[2];
    const uint32_t little16 = static_cast<uint32_t>(v[2]) << 8 | v[1];
    if (v[0] == 0x02 && big16 >= 3 && big16 < reach)
        return {WeakVector, "8051 LJMP " + Hex(big16, 4) + " at 0"};
    if (v[0] == 0xC3 && little16 >= 3 && little16 < reach)
        return {WeakVector, "Z80 JP " + Hex(little16, 4) + " at 0"};
    const uint32_t segment = static_cast<uint32_t>(v[size - 12]) << 8 | v[size - 13];
    if (v[size - 16] == 0xEA && segment >= 0xE000)
        return {WeakVector,
                "x86 far jump to segment " + Hex(segment, 4) + " 16 bytes from the end"};
    return {0, {}};
}

bool Printable(uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

// Letter pairs frequent in English, which text turned around or shuffled by words loses.
bool FrequentPair(uint8_t a, uint8_t b) {
    static constexpr std::string_view Pairs =
        "th he in er an re on at en nd ti es or te of ed is it al ar st to nt ng se ha as ou io le "
        "ve co me de hi ri ro ic ne ea ra ce";
    const char pair[2] = {static_cast<char>(a | 0x20), static_cast<char>(b | 0x20)};
    for (size_t i = 0; i + 1 < Pairs.size(); i += 3)
        if (Pairs[i] == pair[0] && Pairs[i + 1] == pair[1])
            return true;
    return false;
}

struct Scored {
    Guess guess;
    uint64_t fingerprint = 0;
};

Scored Score(const View& v) {
    Scored s;
    const auto [vector, vectorReason] = ResetVector(v);
    s.guess.score = vector;
    if (vector > 0)
        s.guess.reasons.push_back(vectorReason);

    // Printable runs of four or more in the sampled windows, and the frequent pairs inside them.
    int64_t sampled = 0;
    int64_t inRuns = 0;
    int64_t pairs = 0;
    int64_t frequent = 0;
    uint64_t hash = 0xCBF29CE484222325ull;
    const int64_t windows =
        std::min<int64_t>(TextWindows, std::max<int64_t>(1, v.size / TextWindow));
    for (int64_t w = 0; w < windows; ++w) {
        const int64_t start = v.size * w / windows;
        const int64_t end = std::min(v.size, start + TextWindow);
        int64_t run = 0;
        for (int64_t i = start; i <= end; ++i) {
            const bool printable = i < end && Printable(v[i]);
            if (i < end)
                hash = (hash ^ v[i]) * 0x100000001B3ull;
            if (printable) {
                ++run;
                continue;
            }
            if (run >= 4) {
                inRuns += run;
                for (int64_t k = i - run; k + 1 < i; ++k) {
                    ++pairs;
                    frequent += FrequentPair(v[k], v[k + 1]);
                }
            }
            run = 0;
        }
        sampled += end - start;
    }
    if (sampled > 0 && inRuns > 0) {
        const double text = static_cast<double>(inRuns) / static_cast<double>(sampled);
        const double english = pairs == 0 ? 0 : static_cast<double>(frequent) / pairs;
        s.guess.score += TextWeight * text + PairWeight * english;
        if (text >= 0.1)
            s.guess.reasons.push_back(std::to_string(static_cast<int>(text * 100)) +
                                      "% of sampled bytes in ASCII runs, " +
                                      std::to_string(static_cast<int>(english * 100)) +
                                      "% of their letter pairs common in English");
    }

    int64_t tail = 0;
    while (tail < std::min(TailLimit, v.size) && v[v.size - 1 - tail] == 0xFF)
        ++tail;
    if (tail >= 16) {
        s.guess.score += TailWeight * std::min(1.0, std::log2(static_cast<double>(tail)) / 12);
        s.guess.reasons.push_back("erased 0xFF tail of " + std::to_string(tail) +
                                  (tail == TailLimit ? "+" : "") + " bytes");
    }
    for (int64_t i = 0; i < std::min<int64_t>(16, v.size); ++i) {
        hash = (hash ^ v[i]) * 0x100000001B3ull;
        hash = (hash ^ v[v.size - 1 - i]) * 0x100000001B3ull;
    }
    s.fingerprint = hash;
    return s;
}

} // namespace

std::vector<Guess> GuessUndo(const Bytes& dump, int count) {
    const auto size = static_cast<int64_t>(dump.size());
    struct DataChoice {
        DataMap map;
        Recipe steps;
    };
    std::vector<DataChoice> dataChoices;
    for (int reversed = 0; reversed < 2; ++reversed)
        for (int inverted = 0; inverted < 2; ++inverted) {
            DataMap map;
            if (reversed)
                map.lines = {7, 6, 5, 4, 3, 2, 1, 0};
            map.mask = inverted ? 0xFF : 0;
            dataChoices.push_back({map, DataSteps(map)});
        }
    std::vector<std::array<uint8_t, 256>> tables;
    for (const DataChoice& d : dataChoices)
        tables.push_back(d.map.table());

    std::vector<Scored> all;
    for (int ways : {1, 2, 4}) {
        if (size % ways != 0 || (ways > 1 && size / ways < MinPartSize))
            continue;
        const int64_t m = size / ways;
        for (const Part& part : Parts(size, m))
            for (const AddressChoice& choice : AddressChoices(m))
                for (size_t d = 0; d < dataChoices.size(); ++d) {
                    Scored s = Score(View{dump, part, choice, tables[d], m});
                    s.guess.undo = PartSteps(part);
                    for (const Recipe& more : {ChoiceSteps(choice), dataChoices[d].steps})
                        s.guess.undo.insert(s.guess.undo.end(), more.begin(), more.end());
                    all.push_back(std::move(s));
                }
    }
    std::stable_sort(all.begin(), all.end(), [](const Scored& a, const Scored& b) {
        if (a.guess.score != b.guess.score)
            return a.guess.score > b.guess.score;
        return a.guess.undo.size() < b.guess.undo.size();
    });
    std::vector<Guess> best;
    std::vector<uint64_t> seen;
    for (Scored& s : all) {
        if (static_cast<int>(best.size()) == count)
            break;
        if (std::find(seen.begin(), seen.end(), s.fingerprint) != seen.end())
            continue;
        seen.push_back(s.fingerprint);
        best.push_back(std::move(s.guess));
    }
    return best;
}

} // namespace tool
