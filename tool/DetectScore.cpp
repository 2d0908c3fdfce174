// DetectScore.cpp — detect --unknown: the cheap undo recipes ranked by the signs of firmware their
// results show.
#include "ByteStreams.h"
#include "DetectSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace tool {

namespace {

using namespace detect;

// Text is sampled in windows of this size spread over the image.
constexpr int64_t TextWindow = 512;
constexpr int TextWindows = 8;
// The erased tail is measured up to this many bytes.
constexpr int64_t TailLimit = 1024;
// Split parts smaller than this are not tried.
constexpr int64_t MinPartSize = 64;

// Weights of the signs: a reset vector that checks its addresses, one that checks a byte, text,
// English letter pairs in it, an erased tail.
constexpr double StrongVector = 3;
constexpr double WeakVector = 2;
constexpr double TextWeight = 2;
constexpr double PairWeight = 2;
constexpr double TailWeight = 1;

// What the signs read of a candidate's result before its data map: the first and the last 16
// bytes, windows spread over it for text, and the runs of 0x00 and of 0xFF that end it.
struct Sample {
    int64_t size = 0;
    std::array<uint8_t, 16> head{};
    std::array<uint8_t, 16> last{};
    std::vector<uint8_t> text;
    std::vector<size_t> windowEnds;
    std::array<int64_t, 2> tailRuns{};
};

Sample Read(const Bytes& dump, const Part& part, const AddressChoice& choice, int64_t size) {
    auto at = [&](int64_t i) {
        return dump[static_cast<size_t>(
            SplitSource(ChoiceSource(choice, i, size), part.ways, part.width, part.part))];
    };
    Sample s;
    s.size = size;
    for (int64_t i = 0; i < 16 && i < size; ++i) {
        s.head[i] = at(i);
        s.last[i] = at(std::max<int64_t>(0, size - 16) + i);
    }
    const int64_t windows = std::min<int64_t>(TextWindows, std::max<int64_t>(1, size / TextWindow));
    for (int64_t w = 0; w < windows; ++w) {
        const int64_t start = size * w / windows;
        for (int64_t i = start; i < std::min(size, start + TextWindow); ++i)
            s.text.push_back(at(i));
        s.windowEnds.push_back(s.text.size());
    }
    for (int erased = 0; erased < 2; ++erased) {
        const uint8_t value = erased ? 0xFF : 0x00;
        int64_t& run = s.tailRuns[erased];
        while (run < std::min(TailLimit, size) && at(size - 1 - run) == value)
            ++run;
    }
    return s;
}

std::string Hex(uint32_t value, int digits) {
    return "0x" + HexDigits(value, digits);
}

uint32_t Little32(const uint8_t* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

uint32_t Big32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
}

// The reset vector a result of size bytes starts with (head: its first 16 bytes), or the x86 far
// jump 16 bytes before its end (last: its last 16 bytes), and its weight.
std::pair<double, std::string> ResetVector(const std::array<uint8_t, 16>& head,
                                           const std::array<uint8_t, 16>& last, int64_t size) {
    if (size < 16)
        return {0, {}};
    const uint32_t sp = Little32(&head[0]);
    const uint32_t reset = Little32(&head[4]);
    const uint32_t flashBase = 0x08000000;
    if (sp >= 0x20000000 && sp <= 0x20100000 && sp % 4 == 0 && (reset & 1) && reset > 8 &&
        ((reset & ~1u) < size || (reset >= flashBase && reset - flashBase < size)))
        return {StrongVector,
                "ARM Cortex-M vector table (SP " + Hex(sp, 8) + ", reset " + Hex(reset, 8) + ")"};
    const uint32_t stack = Big32(&head[0]);
    const uint32_t pc = Big32(&head[4]);
    if (pc % 2 == 0 && pc >= 8 && pc < size && stack % 2 == 0 && stack != 0 && stack < 0x01000000)
        return {StrongVector, "68000 vectors (SP " + Hex(stack, 8) + ", reset " + Hex(pc, 8) + ")"};
    const int64_t reach = std::min<int64_t>(size, 0x10000);
    const uint32_t big16 = static_cast<uint32_t>(head[1]) << 8 | head[2];
    const uint32_t little16 = static_cast<uint32_t>(head[2]) << 8 | head[1];
    if (head[0] == 0x02 && big16 >= 3 && big16 < reach)
        return {WeakVector, "8051 LJMP " + Hex(big16, 4) + " at 0"};
    if (head[0] == 0xC3 && little16 >= 3 && little16 < reach)
        return {WeakVector, "Z80 JP " + Hex(little16, 4) + " at 0"};
    const uint32_t segment = static_cast<uint32_t>(last[4]) << 8 | last[3];
    if (last[0] == 0xEA && segment >= 0xE000)
        return {WeakVector,
                "x86 far jump to segment " + Hex(segment, 4) + " 16 bytes from the end"};
    return {0, {}};
}

bool Printable(uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

// Letter pairs frequent in English, which text turned around or shuffled by words loses; either
// letter may be upper case.
bool FrequentPair(uint8_t a, uint8_t b) {
    static const auto table = [] {
        std::array<bool, 1 << 16> t{};
        constexpr std::string_view Pairs =
            "th he in er an re on at en nd ti es or te of ed is it al ar st to nt ng se ha as ou "
            "io le ve co me de hi ri ro ic ne ea ra ce";
        for (size_t i = 0; i + 1 < Pairs.size(); i += 3)
            for (int upperA = 0; upperA < 2; ++upperA)
                for (int upperB = 0; upperB < 2; ++upperB)
                    t[(Pairs[i] & ~(upperA << 5)) << 8 | (Pairs[i + 1] & ~(upperB << 5))] = true;
        return t;
    }();
    return table[a << 8 | b];
}

struct Scored {
    Guess guess;
    uint64_t fingerprint = 0;
};

// The signs a sample shows through a data map (table) whose 0xFF comes from the byte erased.
Scored Score(const Sample& sample, const std::array<uint8_t, 256>& table, uint8_t erased) {
    Scored s;
    std::array<uint8_t, 16> head{};
    std::array<uint8_t, 16> last{};
    uint64_t hash = 0xCBF29CE484222325ull;
    auto mix = [&hash](uint8_t b) { hash = (hash ^ b) * 0x100000001B3ull; };
    for (int i = 0; i < 16; ++i) {
        head[i] = table[sample.head[i]];
        last[i] = table[sample.last[i]];
        mix(head[i]);
        mix(last[i]);
    }
    const auto [vector, vectorReason] = ResetVector(head, last, sample.size);
    s.guess.score = vector;
    if (vector > 0)
        s.guess.reasons.push_back(vectorReason);

    // Printable runs of four or more in the windows, and the frequent pairs inside them.
    int64_t inRuns = 0;
    int64_t pairs = 0;
    int64_t frequent = 0;
    size_t start = 0;
    for (size_t end : sample.windowEnds) {
        int64_t run = 0;
        for (size_t i = start; i <= end; ++i) {
            if (i < end) {
                mix(table[sample.text[i]]);
                if (Printable(table[sample.text[i]])) {
                    ++run;
                    continue;
                }
            }
            if (run >= 4) {
                inRuns += run;
                for (size_t k = i - static_cast<size_t>(run); k + 1 < i; ++k) {
                    ++pairs;
                    frequent += FrequentPair(table[sample.text[k]], table[sample.text[k + 1]]);
                }
            }
            run = 0;
        }
        start = end;
    }
    if (!sample.text.empty() && inRuns > 0) {
        const double text = static_cast<double>(inRuns) / static_cast<double>(sample.text.size());
        const double english = pairs == 0 ? 0 : static_cast<double>(frequent) / pairs;
        s.guess.score += TextWeight * text + PairWeight * english;
        if (text >= 0.1)
            s.guess.reasons.push_back(std::to_string(static_cast<int>(text * 100)) +
                                      "% of sampled bytes in ASCII runs, " +
                                      std::to_string(static_cast<int>(english * 100)) +
                                      "% of their letter pairs common in English");
    }

    const int64_t tail = erased == 0xFF ? sample.tailRuns[1] : erased == 0 ? sample.tailRuns[0] : 0;
    if (tail >= 16) {
        s.guess.score += TailWeight * std::min(1.0, std::log2(static_cast<double>(tail)) / 10);
        s.guess.reasons.push_back("erased 0xFF tail of " + std::to_string(tail) +
                                  (tail == TailLimit ? "+" : "") + " bytes");
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
            for (const AddressChoice& choice : AddressChoices(m)) {
                const Sample sample = Read(dump, part, choice, m);
                for (size_t d = 0; d < dataChoices.size(); ++d) {
                    Scored s = Score(sample, tables[d], dataChoices[d].map.inverseTable()[0xFF]);
                    s.guess.undo = PartSteps(part);
                    for (const Recipe& more : {ChoiceSteps(choice), dataChoices[d].steps})
                        s.guess.undo.insert(s.guess.undo.end(), more.begin(), more.end());
                    all.push_back(std::move(s));
                }
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
