// Detect.cpp — detect's search: the split parts, mirrors and swaps tried on samples, the rewired
// lines found from histograms and anchors, and the best recipe checked on the whole dump.
#include "DetectSearch.h"
#include "Streaming.h"

#include <algorithm>
#include <bit>

namespace tool {

namespace detect {

DataFit FitDataMap(const uint8_t* from, const uint8_t* to, int64_t n) {
    // agree[s][b]: pairs where source bit s equals result bit b, counted 64 pairs at a time on
    // bit planes.
    std::array<std::array<int64_t, 8>, 8> agree{};
    for (int64_t start = 0; start < n; start += 64) {
        const int64_t count = std::min<int64_t>(64, n - start);
        std::array<uint64_t, 8> f{};
        std::array<uint64_t, 8> t{};
        for (int64_t k = 0; k < count; ++k) {
            const unsigned a = from[start + k];
            const unsigned b = to[start + k];
            for (int bit = 0; bit < 8; ++bit) {
                f[bit] |= uint64_t{(a >> bit) & 1u} << k;
                t[bit] |= uint64_t{(b >> bit) & 1u} << k;
            }
        }
        const uint64_t valid = count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
        for (int s = 0; s < 8; ++s)
            for (int b = 0; b < 8; ++b)
                agree[s][b] += count - std::popcount((f[s] ^ t[b]) & valid);
    }
    struct Pairing {
        int64_t strength;
        int source;
        int result;
        int invert;
    };
    std::vector<Pairing> pairings;
    for (int s = 0; s < 8; ++s)
        for (int b = 0; b < 8; ++b) {
            const int64_t a = agree[s][b];
            pairings.push_back({std::max(a, n - a), s, b, a < n - a ? 1 : 0});
        }
    // Of equal agreements the line in place and uninverted goes first, so that bits that tell
    // nothing (constant in both) stay where they are.
    std::sort(pairings.begin(), pairings.end(), [](const Pairing& x, const Pairing& y) {
        if (x.strength != y.strength)
            return x.strength > y.strength;
        if ((x.source != x.result) != (y.source != y.result))
            return x.source == x.result;
        return x.invert < y.invert;
    });
    DataFit fit;
    int usedSource = 0;
    int usedResult = 0;
    for (const Pairing& p : pairings) {
        if ((usedSource >> p.source & 1) || (usedResult >> p.result & 1))
            continue;
        usedSource |= 1 << p.source;
        usedResult |= 1 << p.result;
        fit.map.lines[p.result] = p.source;
        fit.map.mask = static_cast<uint8_t>(fit.map.mask | (p.invert << p.result));
    }
    const auto table = fit.map.table();
    for (int64_t k = 0; k < n; ++k)
        fit.matches += table[from[k]] == to[k];
    return fit;
}

std::vector<AddressChoice> AddressChoices(int64_t m) {
    std::vector<AddressChoice> choices{{}};
    std::vector<int> swaps;
    for (int size : {2, 4, 8})
        if (m % size == 0)
            swaps.push_back(size);
    for (int mirror = 1; mirror <= 3; ++mirror)
        choices.push_back({mirror, 0, false});
    for (int swap : swaps)
        choices.push_back({0, swap, false});
    for (int mirror = 1; mirror <= 3; ++mirror)
        for (int swap : swaps)
            for (bool swapFirst : {false, true})
                choices.push_back({mirror, swap, swapFirst});
    return choices;
}

int64_t ChoiceSource(const AddressChoice& c, int64_t i, int64_t m) {
    auto mirrored = [&](int64_t k) {
        switch (c.mirror) {
        case 1:
            return m - 1 - k;
        case 2:
            return MirrorWordSource(k, m, /*highByteFirst=*/false);
        case 3:
            return MirrorWordSource(k, m, /*highByteFirst=*/true);
        default:
            return k;
        }
    };
    if (c.swap == 0)
        return mirrored(i);
    return c.swapFirst ? mirrored(i) ^ (c.swap - 1) : mirrored(i ^ (c.swap - 1));
}

Recipe ChoiceSteps(const AddressChoice& c) {
    Recipe steps;
    DetectStep mirror;
    mirror.kind = DetectStep::Kind::Mirror;
    mirror.size = c.mirror == 1 ? 1 : 2;
    mirror.lowFirst = c.mirror != 3;
    DetectStep swap;
    swap.kind = DetectStep::Kind::Swap;
    swap.size = c.swap;
    if (c.swap != 0 && c.swapFirst)
        steps.push_back(swap);
    if (c.mirror != 0)
        steps.push_back(mirror);
    if (c.swap != 0 && !c.swapFirst)
        steps.push_back(swap);
    return steps;
}

std::vector<Part> Parts(int64_t n, int64_t m) {
    std::vector<Part> parts;
    if (n == m)
        parts.push_back({});
    for (int ways : {2, 4})
        if (n == ways * m)
            for (int width : {1, 2})
                if (n % (ways * width) == 0)
                    for (int part = 0; part < ways; ++part)
                        parts.push_back({ways, width, part});
    return parts;
}

Recipe PartSteps(const Part& part) {
    if (part.ways == 1)
        return {};
    DetectStep split;
    split.kind = DetectStep::Kind::Split;
    split.ways = part.ways;
    split.width = part.width;
    split.part = part.part;
    return {split};
}

} // namespace detect

namespace {

using namespace detect;

// Dump offsets sampled for the cheap families; the first PrefilterSamples decide which
// candidates are sampled further.
constexpr int Samples = 1024;
constexpr int PrefilterSamples = 64;
// Data maps from histograms tried for the rewired family.
constexpr int DataHypotheses = 6;
// A cheap result this good ends the search.
constexpr double GoodEnough = 0.99;

class Search {
public:
    Search(const Bytes& reference, const Bytes& dump) : reference_(reference), dump_(dump) {
        const auto m = static_cast<int64_t>(dump.size());
        uint64_t state = 0x5EED;
        for (int k = 0; k < Samples; ++k) {
            uint64_t z = (state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            samples_.push_back(static_cast<int64_t>((z ^ (z >> 31)) % static_cast<uint64_t>(m)));
            to_.push_back(dump[static_cast<size_t>(samples_.back())]);
        }
    }

    std::optional<Detection> run() {
        if (Parts(static_cast<int64_t>(reference_.size()), static_cast<int64_t>(dump_.size()))
                .empty())
            return std::nullopt;
        std::optional<Detection> best = cheapFamilies();
        if (!best || best->share() < GoodEnough) {
            std::optional<Detection> rewired = rewiredFamily();
            if (rewired && (!best || rewired->differing < best->differing))
                best = rewired;
        }
        return best;
    }

private:
    // The recipe checked on the whole dump.
    std::optional<Detection> check(const Recipe& recipe) const {
        const Bytes result = ApplyRecipe(recipe, reference_);
        if (result.size() != dump_.size())
            return std::nullopt;
        return Detection{recipe, CountDiffering(result, dump_), static_cast<int64_t>(dump_.size())};
    }

    std::optional<Detection> cheapFamilies() const {
        const auto n = static_cast<int64_t>(reference_.size());
        const auto m = static_cast<int64_t>(dump_.size());
        std::vector<uint8_t> from(Samples);
        int64_t bestMatches = -1;
        Recipe bestRecipe;
        for (const Part& part : Parts(n, m))
            for (const AddressChoice& choice : AddressChoices(m)) {
                auto gather = [&](int count) {
                    for (int k = 0; k < count; ++k) {
                        const int64_t i = ChoiceSource(choice, samples_[k], m);
                        from[k] = reference_[static_cast<size_t>(
                            SplitSource(i, part.ways, part.width, part.part))];
                    }
                };
                gather(PrefilterSamples);
                if (FitDataMap(from.data(), to_.data(), PrefilterSamples).matches * 5 <
                    PrefilterSamples * 3)
                    continue;
                gather(Samples);
                const DataFit fit = FitDataMap(from.data(), to_.data(), Samples);
                if (fit.matches <= bestMatches)
                    continue;
                bestMatches = fit.matches;
                bestRecipe = PartSteps(part);
                for (const Recipe& more : {ChoiceSteps(choice), DataSteps(fit.map)})
                    bestRecipe.insert(bestRecipe.end(), more.begin(), more.end());
            }
        if (bestMatches < 0)
            return std::nullopt;
        return check(bestRecipe);
    }

    std::optional<Detection> rewiredFamily() const {
        const auto n = static_cast<int64_t>(reference_.size());
        const auto m = static_cast<int64_t>(dump_.size());
        const int ways = static_cast<int>(n / m);
        const int dumpLines = std::min(std::countr_zero(static_cast<uint64_t>(m)), 22);
        if (dumpLines == 0)
            return std::nullopt;
        const int refLines = dumpLines + std::countr_zero(static_cast<unsigned>(ways));
        const Histogram dumpCounts = CountBytes(dump_);
        std::vector<HistogramSource> sources;
        if (ways == 1) {
            sources.push_back({CountBytes(reference_), 1.0});
        } else {
            const std::vector<int64_t> byOffset = CountBytesByOffset(reference_);
            HistogramSource whole{{}, 1.0 / ways};
            for (int o = 0; o < 8; ++o)
                for (int v = 0; v < 256; ++v)
                    whole.counts[v] += byOffset[o * 256 + v];
            for (const Part& part : Parts(n, m)) {
                HistogramSource counts;
                for (int o = 0; o < 8; ++o)
                    if (o / part.width % part.ways == part.part)
                        for (int v = 0; v < 256; ++v)
                            counts.counts[v] += byOffset[o * 256 + v];
                sources.push_back(counts);
            }
            sources.push_back(whole);
        }
        std::vector<ScoredDataMap> hypotheses =
            DataMapsByHistogram(sources, dumpCounts, DataHypotheses);
        // The maps of the named commands too, for a part whose histogram tells too little: first
        // when no source's histogram comes near the dump's, last otherwise.
        const bool told = !hypotheses.empty() && hypotheses.front().distance < ToldDistance;
        std::vector<ScoredDataMap> named;
        for (int reversed = 0; reversed < 2; ++reversed)
            for (int inverted = 0; inverted < 2; ++inverted) {
                ScoredDataMap map;
                if (reversed)
                    map.map.lines = {7, 6, 5, 4, 3, 2, 1, 0};
                map.map.mask = inverted ? 0xFF : 0;
                named.push_back(map);
            }
        hypotheses.insert(told ? hypotheses.end() : hypotheses.begin(), named.begin(), named.end());
        std::vector<DataMap> tried;
        std::optional<Detection> best;
        for (const ScoredDataMap& h : hypotheses) {
            if (std::find(tried.begin(), tried.end(), h.map) != tried.end())
                continue;
            tried.push_back(h.map);
            const auto found = FindLineMap(reference_, dump_, dumpCounts, h.map.inverseTable(),
                                           dumpLines, refLines);
            if (!found)
                continue;
            // The data map refitted on the offsets that now correspond.
            std::vector<uint8_t> from(Samples);
            for (int k = 0; k < Samples; ++k)
                from[k] = reference_[static_cast<size_t>(found->map.source(samples_[k]))];
            const DataFit fit = FitDataMap(from.data(), to_.data(), Samples);
            const auto detection = check(LineSteps(found->map, fit.map, m));
            if (detection && (!best || detection->differing < best->differing))
                best = detection;
            if (best && best->share() >= GoodEnough)
                break;
        }
        return best;
    }

    const Bytes& reference_;
    const Bytes& dump_;
    std::vector<int64_t> samples_;
    std::vector<uint8_t> to_;
};

} // namespace

std::optional<Detection> DetectTransformation(const Bytes& reference, const Bytes& dump,
                                              double* bestShare) {
    if (bestShare)
        *bestShare = 0;
    if (dump.empty() || reference.empty()) {
        if (!dump.empty() || !reference.empty())
            return std::nullopt;
        if (bestShare)
            *bestShare = 1;
        return Detection{};
    }
    const std::optional<Detection> found = Search(reference, dump).run();
    if (found && bestShare)
        *bestShare = found->share();
    if (!found || found->share() < DetectMinMatch)
        return std::nullopt;
    return found;
}

} // namespace tool
