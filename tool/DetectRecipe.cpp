// DetectRecipe.cpp — recipes of detect: applied through the commands' own functions, written as
// command lines and described, and made from the maps the search finds.
#include "ByteStreams.h"
#include "DetectSearch.h"
#include "ImageTransforms.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <numeric>
#include <string_view>

namespace tool {

namespace {

using detect::DataMap;
using Kind = DetectStep::Kind;

std::string Hex(uint32_t value) {
    return "0x" + HexDigits(value, 1);
}

// Lines as ParseLineList reads them, runs of three or more as "a-b".
std::string LineList(const std::vector<int>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size();) {
        size_t end = i + 1;
        const int step = end < lines.size() ? lines[end] - lines[i] : 0;
        if (step == 1 || step == -1)
            while (end < lines.size() && lines[end] - lines[end - 1] == step)
                ++end;
        if (!text.empty())
            text += ',';
        if (end - i >= 3) {
            text += std::to_string(lines[i]) + '-' + std::to_string(lines[end - 1]);
            i = end;
        } else {
            text += std::to_string(lines[i]);
            ++i;
        }
    }
    return text;
}

// A word for a POSIX shell: as it is when it holds only safe characters, single-quoted otherwise.
std::string ShellWord(const std::string& word) {
    const bool safe = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_./+-=:,@%").find(c) != std::string_view::npos;
    });
    if (safe)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool IsIdentity(const std::array<int, 8>& lines) {
    for (int i = 0; i < 8; ++i)
        if (lines[i] != i)
            return false;
    return true;
}

// The options of a step after the command's name.
std::string StepOptions(const DetectStep& step) {
    switch (step.kind) {
    case Kind::Mirror:
        if (step.size == 1)
            return "";
        return step.lowFirst ? " --size 2" : " --size 2 --order high";
    case Kind::Swap:
        return " --size " + std::to_string(step.size);
    case Kind::Split:
        return " --ways " + std::to_string(step.ways) +
               (step.width == 1 ? "" : " --width " + std::to_string(step.width));
    case Kind::Scramble: {
        const BusWiring& w = step.wiring;
        std::string text;
        if (!w.addressLines.empty())
            text += " --address-lines " + LineList(w.addressLines);
        if (w.addressXor != 0)
            text += " --address-xor " + Hex(w.addressXor);
        if (!IsIdentity(w.dataLines))
            text += " --data-lines " + LineList({w.dataLines.begin(), w.dataLines.end()});
        if (w.dataXor != 0)
            text += " --data-xor " + Hex(w.dataXor);
        return text;
    }
    default:
        return "";
    }
}

const char* CommandName(Kind kind) {
    switch (kind) {
    case Kind::Convert:
        return "convert";
    case Kind::Mirror:
        return "mirror";
    case Kind::Swap:
        return "swap";
    case Kind::Bitrev:
        return "bitrev";
    case Kind::Invert:
        return "invert";
    case Kind::Split:
        return "split";
    case Kind::Scramble:
        return "scramble";
    }
    return "";
}

std::string Describe(const DetectStep& step) {
    switch (step.kind) {
    case Kind::Convert:
        return "unchanged";
    case Kind::Mirror:
        return step.size == 1 ? "mirrored by bytes"
                              : std::string("mirrored by words, ") +
                                    (step.lowFirst ? "low" : "high") + " byte first";
    case Kind::Swap:
        return "bytes swapped in " + std::to_string(step.size) + "-byte words";
    case Kind::Bitrev:
        return "bits reversed";
    case Kind::Invert:
        return "inverted";
    case Kind::Split:
        return "part " + std::to_string(step.part) + " of a " + std::to_string(step.ways) +
               "-way split" + (step.width == 1 ? "" : " of 2-byte units");
    case Kind::Scramble:
        return "lines rewired (" + StepOptions(step).substr(1) + ")";
    }
    return "";
}

DetectStep Step(Kind kind, int size = 0) {
    DetectStep step;
    step.kind = kind;
    step.size = size;
    return step;
}

// The reference lines a split of ways parts of width-byte units takes its part number from.
std::vector<int> SplitLines(int ways, int width) {
    const int first = width == 2 ? 1 : 0;
    return ways == 2 ? std::vector<int>{first} : std::vector<int>{first, first + 1};
}

} // namespace

Bytes ApplyRecipe(const Recipe& recipe, const Bytes& image) {
    // The image is copied only for a step that changes bytes in place; a split or a scramble
    // reads it as it is.
    const Bytes* current = &image;
    Bytes bytes;
    auto own = [&]() -> Bytes& {
        if (current != &bytes) {
            bytes = *current;
            current = &bytes;
        }
        return bytes;
    };
    for (const DetectStep& step : recipe) {
        const auto n = static_cast<int64_t>(current->size());
        switch (step.kind) {
        case Kind::Convert:
            break;
        case Kind::Mirror:
            MirrorByDataSize(own().data(), n, step.size - 1, step.lowFirst);
            break;
        case Kind::Swap:
            if (n % step.size != 0)
                return {};
            SwapWordBytes(own().data(), n, step.size);
            break;
        case Kind::Bitrev:
            ReverseBitsInBytes(own().data(), n);
            break;
        case Kind::Invert:
            InvertBytes(own().data(), n);
            break;
        case Kind::Split:
            if (n % (step.ways * step.width) != 0)
                return {};
            bytes = std::move(SplitWays(*current, step.ways, step.width)[step.part]);
            current = &bytes;
            break;
        case Kind::Scramble: {
            const BusWiring& wiring = step.wiring;
            if (!WiringProblem(wiring).empty() || n % (int64_t{1} << wiring.addressLines.size()))
                return {};
            if (!wiring.addressLines.empty()) {
                bytes = Scramble(*current, wiring, ScrambleDirection::Forward);
                current = &bytes;
                break;
            }
            // Without address lines the scramble maps each byte alone, so its result on the 256
            // values is a table for the whole image.
            Bytes values(256);
            std::iota(values.begin(), values.end(), 0);
            const Bytes table = Scramble(values, wiring, ScrambleDirection::Forward);
            for (uint8_t& b : own())
                b = table[b];
            break;
        }
        }
    }
    return current == &bytes ? std::move(bytes) : image;
}

RecipeLines RecipeCommands(const Recipe& recipe, const std::string& input,
                           const std::string& output,
                           const std::vector<std::string>& inputOptions) {
    const Recipe steps = recipe.empty() ? Recipe{Step(Kind::Convert)} : recipe;
    RecipeLines result;
    std::string current = input;
    for (size_t i = 0; i < steps.size(); ++i) {
        const DetectStep& step = steps[i];
        std::string line = std::string("vornex-tool ") + CommandName(step.kind) + StepOptions(step);
        if (i == 0)
            for (const std::string& option : inputOptions)
                line += ' ' + ShellWord(option);
        std::string next = i + 1 == steps.size() ? output : output + '.' + std::to_string(i + 1);
        if (step.kind == Kind::Split) {
            const std::string prefix = output + ".part";
            line += ' ' + ShellWord(current) + ' ' + ShellWord(prefix);
            next = prefix + '.' + std::to_string(step.part);
        } else {
            line += ' ' + ShellWord(current) + ' ' + ShellWord(next);
        }
        result.lines.push_back(line);
        current = next;
    }
    result.result = current;
    return result;
}

std::string DescribeRecipe(const Recipe& recipe) {
    if (recipe.empty())
        return "unchanged";
    std::string text;
    for (const DetectStep& step : recipe)
        text += (text.empty() ? "" : ", ") + Describe(step);
    return text;
}

namespace detect {

std::array<uint8_t, 256> DataMap::table() const {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        int result = 0;
        for (int i = 0; i < 8; ++i)
            result |= ((v >> lines[i]) & 1) << i;
        t[v] = static_cast<uint8_t>(result ^ mask);
    }
    return t;
}

std::array<uint8_t, 256> DataMap::inverseTable() const {
    const auto forward = table();
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[forward[v]] = static_cast<uint8_t>(v);
    return t;
}

int64_t LineMap::source(int64_t j) const {
    const int64_t low = j & ((int64_t{1} << dumpLines) - 1);
    int64_t placed = 0;
    for (int i = 0; i < dumpLines; ++i)
        placed |= ((low >> i) & 1) << from[i];
    return ((j >> dumpLines) << refLines) | (placed ^ xorMask);
}

Recipe DataSteps(const DataMap& data) {
    const std::array<int, 8> reversed{7, 6, 5, 4, 3, 2, 1, 0};
    if (IsIdentity(data.lines) && (data.mask == 0 || data.mask == 0xFF))
        return data.mask == 0 ? Recipe{} : Recipe{Step(Kind::Invert)};
    if (data.lines == reversed && (data.mask == 0 || data.mask == 0xFF))
        return data.mask == 0 ? Recipe{Step(Kind::Bitrev)}
                              : Recipe{Step(Kind::Bitrev), Step(Kind::Invert)};
    DetectStep scramble = Step(Kind::Scramble);
    scramble.wiring.dataLines = data.lines;
    scramble.wiring.dataXor = data.mask;
    return {scramble};
}

Recipe LineSteps(const LineMap& lines, const DataMap& data, int64_t dumpSize) {
    const int parted = lines.refLines - lines.dumpLines;
    if (parted > 0) {
        const int ways = 1 << parted;
        std::vector<int> unused;
        for (int q = 0; q < lines.refLines; ++q)
            if (std::find(lines.from.begin(), lines.from.end(), q) == lines.from.end())
                unused.push_back(q);
        for (int width : {1, 2}) {
            if (unused != SplitLines(ways, width))
                continue;
            // The part's own offsets are the reference's with the split's lines taken out.
            auto compress = [&](uint32_t a) {
                uint32_t packed = 0;
                for (int q = 0, to = 0; q < lines.refLines; ++q)
                    if (std::find(unused.begin(), unused.end(), q) == unused.end())
                        packed |= ((a >> q) & 1u) << to++;
                return packed;
            };
            DetectStep split = Step(Kind::Split);
            split.ways = ways;
            split.width = width;
            split.part = static_cast<int>((lines.xorMask >> unused.front()) & (ways - 1));
            detect::LineMap inPart{lines.dumpLines, lines.dumpLines, {}, compress(lines.xorMask)};
            for (int q : lines.from)
                inPart.from.push_back(std::countr_zero(compress(1u << q)));
            Recipe steps{split};
            const Recipe rest = LineSteps(inPart, data, dumpSize);
            steps.insert(steps.end(), rest.begin(), rest.end());
            return steps;
        }
        // Other lines left out: a scramble first moves them to the bottom, where a split of
        // bytes takes them away.
        DetectStep scramble = Step(Kind::Scramble);
        scramble.wiring.addressLines = unused;
        scramble.wiring.addressLines.insert(scramble.wiring.addressLines.end(), lines.from.begin(),
                                            lines.from.end());
        uint32_t moved = 0;
        for (int t = 0; t < lines.refLines; ++t)
            moved |= ((lines.xorMask >> scramble.wiring.addressLines[t]) & 1u) << t;
        scramble.wiring.addressXor = moved & ~uint32_t(ways - 1);
        scramble.wiring.dataLines = data.lines;
        scramble.wiring.dataXor = data.mask;
        DetectStep split = Step(Kind::Split);
        split.ways = ways;
        split.part = static_cast<int>(moved & (ways - 1));
        return {scramble, split};
    }

    // The same lines: P undoes Place, and the mask moves with the lines.
    uint32_t x = 0;
    int moved = 0;
    for (int i = 0; i < lines.dumpLines; ++i) {
        x |= ((lines.xorMask >> lines.from[i]) & 1u) << i;
        if (lines.from[i] != i)
            moved = i + 1;
    }
    const int needed = std::max(moved, static_cast<int>(std::bit_width(x)));
    Recipe steps;
    if (needed == 0)
        return DataSteps(data);
    if (moved == 0 && dumpSize == (int64_t{1} << lines.dumpLines)) {
        const auto m = static_cast<uint32_t>(dumpSize);
        struct Choice {
            uint32_t mask;
            Recipe steps;
        };
        std::vector<Choice> mirrors{{0, {}}, {m - 1, {Step(Kind::Mirror, 1)}}};
        if (m >= 4)
            mirrors.push_back({m - 2, {Step(Kind::Mirror, 2)}});
        std::vector<Choice> swaps{{0, {}}};
        for (int size : {2, 4, 8})
            if (static_cast<uint32_t>(size) <= m)
                swaps.push_back({static_cast<uint32_t>(size - 1), {Step(Kind::Swap, size)}});
        const Choice* bestMirror = nullptr;
        const Choice* bestSwap = nullptr;
        for (const Choice& mirror : mirrors)
            for (const Choice& swap : swaps)
                if ((mirror.mask ^ swap.mask) == x &&
                    (!bestMirror || mirror.steps.size() + swap.steps.size() <
                                        bestMirror->steps.size() + bestSwap->steps.size())) {
                    bestMirror = &mirror;
                    bestSwap = &swap;
                }
        if (bestMirror) {
            steps = bestMirror->steps;
            steps.insert(steps.end(), bestSwap->steps.begin(), bestSwap->steps.end());
            const Recipe dataSteps = DataSteps(data);
            steps.insert(steps.end(), dataSteps.begin(), dataSteps.end());
            return steps;
        }
    }
    DetectStep scramble = Step(Kind::Scramble);
    scramble.wiring.addressLines.assign(lines.from.begin(), lines.from.begin() + needed);
    scramble.wiring.addressXor = x;
    scramble.wiring.dataLines = data.lines;
    scramble.wiring.dataXor = data.mask;
    return {scramble};
}

int64_t CountDiffering(const Bytes& a, const Bytes& b) {
    const size_t n = std::min(a.size(), b.size());
    int64_t differing = 0;
    for (size_t i = 0; i < n; ++i)
        differing += a[i] != b[i];
    return differing + static_cast<int64_t>(std::max(a.size(), b.size()) - n);
}

} // namespace detect

} // namespace tool
