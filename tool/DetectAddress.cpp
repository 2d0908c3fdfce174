// DetectAddress.cpp — the data map told by histograms and the permuted address lines found from
// anchors, for detect's rewired family.
#include "DetectSearch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>

namespace tool::detect {

namespace {

// Node evaluations after which the histogram search stops with the maps it has.
constexpr int MaxHistogramNodes = 4000;
// Node evaluations of one dive to a leaf, nearest child first at each of the 8 levels.
constexpr int DiveNodes = 16 + 14 + 12 + 10 + 8 + 6 + 4 + 2;
// Maps farther from the dump's histogram than twice the best distance plus this share of the
// dump's bytes are not kept: a map that is right lies near the best.
constexpr double HistogramSlack = 0.002;
// Reference offsets an anchor's neighbours have to pass before the lines are grown from them.
constexpr int MaxGrownAnchors = 24;
// Anchors (rare dump values) tried before the search gives up.
constexpr int AnchorCount = 3;
// Corresponding offset pairs that vote on each line.
constexpr int VotingPairs = 32;
// Offsets that check a line map found.
constexpr int CheckSamples = 512;

uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class HistogramSearch {
public:
    HistogramSearch(const Histogram& source, double scale, const Histogram& dump, int count,
                    double limit, int maxNodes = MaxHistogramNodes)
        : count_(count), maxNodes_(maxNodes) {
        for (int v = 0; v < 256; ++v) {
            source_[v] = static_cast<double>(source[v]) * scale;
            total_ += static_cast<double>(dump[v]);
        }
        total_ = std::max(1.0, total_);
        limit_ = limit * total_;
        for (int level = 0; level <= 8; ++level) {
            dumpLevels_[level].assign(size_t{1} << level, 0.0);
            for (int w = 0; w < 256; ++w)
                dumpLevels_[level][w & ((1 << level) - 1)] += static_cast<double>(dump[w]);
        }
    }

    std::vector<ScoredDataMap> run() {
        std::array<uint8_t, 256> cells{};
        descend(0, cells, DataMap{}, 0);
        for (ScoredDataMap& m : best_)
            m.distance /= total_;
        return best_;
    }

private:
    // The distance between the source's histogram over the cells and the dump's at this level.
    double distance(int level, const std::array<uint8_t, 256>& cells) {
        ++nodes_;
        std::array<double, 256> sums{};
        for (int v = 0; v < 256; ++v)
            sums[cells[v]] += source_[v];
        double d = 0;
        for (size_t cell = 0; cell < dumpLevels_[level].size(); ++cell)
            d += std::fabs(sums[cell] - dumpLevels_[level][cell]);
        return d;
    }

    // The distance a map must stay below to be kept.
    double worst() const {
        double near = limit_;
        if (!best_.empty())
            near = std::min(near, 2 * best_.front().distance + HistogramSlack * total_);
        return static_cast<int>(best_.size()) < count_ ? near
                                                       : std::min(near, best_.back().distance);
    }

    static void AddBit(std::array<uint8_t, 256>& cells, int bit, int line, int invert) {
        for (int v = 0; v < 256; ++v)
            cells[v] = static_cast<uint8_t>(cells[v] | ((((v >> line) & 1) ^ invert) << bit));
    }

    void descend(int bit, const std::array<uint8_t, 256>& cells, const DataMap& map, int used) {
        struct Child {
            int line;
            int invert;
            double bound;
        };
        std::vector<Child> children;
        for (int line = 0; line < 8; ++line) {
            if (used & (1 << line))
                continue;
            for (int invert = 0; invert < 2; ++invert) {
                std::array<uint8_t, 256> next = cells;
                AddBit(next, bit, line, invert);
                children.push_back({line, invert, distance(bit + 1, next)});
            }
        }
        std::sort(children.begin(), children.end(),
                  [](const Child& a, const Child& b) { return a.bound < b.bound; });
        for (const Child& child : children) {
            if (child.bound >= worst() || nodes_ > maxNodes_)
                return;
            DataMap next = map;
            next.lines[bit] = child.line;
            next.mask = static_cast<uint8_t>(next.mask | (child.invert << bit));
            if (bit == 7) {
                const auto at =
                    std::find_if(best_.begin(), best_.end(),
                                 [&](const ScoredDataMap& m) { return m.distance > child.bound; });
                best_.insert(at, {next, child.bound});
                if (static_cast<int>(best_.size()) > count_)
                    best_.pop_back();
            } else {
                std::array<uint8_t, 256> nextCells = cells;
                AddBit(nextCells, bit, child.line, child.invert);
                descend(bit + 1, nextCells, next, used | (1 << child.line));
            }
        }
    }

    int count_;
    int maxNodes_;
    std::array<double, 256> source_{};
    double total_ = 0;
    double limit_ = INFINITY;
    std::array<std::vector<double>, 9> dumpLevels_;
    std::vector<ScoredDataMap> best_;
    int nodes_ = 0;
};

// The growth of one anchor's line map: dump offset j0 taken to come from reference offset a0.
class LineGrowth {
public:
    LineGrowth(const Bytes& reference, const Bytes& dump, const std::array<uint8_t, 256>& undo,
               int dumpLines, int refLines)
        : reference_(reference), dump_(dump), undo_(undo), dumpLines_(dumpLines),
          refLines_(refLines) {}

    uint8_t dumpValue(int64_t j) const { return undo_[dump_[static_cast<size_t>(j)]]; }

    // The line map grown from (j0, a0), or nothing when some line finds no vote at all.
    std::optional<LineMap> grow(int64_t j0, int64_t a0) {
        std::vector<int> from(dumpLines_, -1);
        uint64_t usedRef = 0;
        std::vector<int> committed;
        uint64_t random = static_cast<uint64_t>(j0) * 31 + static_cast<uint64_t>(a0);
        while (static_cast<int>(committed.size()) < dumpLines_) {
            // Offsets that correspond under the lines committed so far.
            std::vector<std::pair<int64_t, int64_t>> pairs;
            const int k = static_cast<int>(committed.size());
            const bool all = k < 6 && (1 << k) <= VotingPairs;
            const int n = all ? 1 << k : VotingPairs;
            for (int p = 0; p < n; ++p) {
                const uint64_t pick = all ? static_cast<uint64_t>(p) : NextRandom(random);
                int64_t j = j0;
                int64_t a = a0;
                for (int c = 0; c < k; ++c)
                    if (pick >> c & 1) {
                        j ^= int64_t{1} << committed[c];
                        a ^= int64_t{1} << from[committed[c]];
                    }
                pairs.emplace_back(j, a);
            }
            struct Vote {
                int line = -1;
                int q = -1;
                int best = 0;
                int second = 0;
            };
            std::vector<Vote> votes;
            for (int i = 0; i < dumpLines_; ++i) {
                if (from[i] >= 0)
                    continue;
                Vote vote{i};
                std::vector<uint8_t> wanted(pairs.size());
                for (size_t p = 0; p < pairs.size(); ++p)
                    wanted[p] = dumpValue(pairs[p].first ^ (int64_t{1} << i));
                for (int q = 0; q < refLines_; ++q) {
                    if (usedRef >> q & 1)
                        continue;
                    int agree = 0;
                    for (size_t p = 0; p < pairs.size(); ++p)
                        agree +=
                            reference_[static_cast<size_t>(pairs[p].second ^ (int64_t{1} << q))] ==
                            wanted[p];
                    if (agree > vote.best) {
                        vote.second = vote.best;
                        vote.best = agree;
                        vote.q = q;
                    } else if (agree > vote.second) {
                        vote.second = agree;
                    }
                }
                if (vote.best == 0)
                    return std::nullopt;
                votes.push_back(vote);
            }
            const int size = static_cast<int>(pairs.size());
            auto decisive = [size](const Vote& v) {
                return v.best * 5 >= size * 4 && v.best - v.second >= std::max(1, size / 4);
            };
            std::sort(votes.begin(), votes.end(), [](const Vote& a, const Vote& b) {
                return a.best - a.second != b.best - b.second
                           ? a.best - a.second > b.best - b.second
                           : a.best > b.best;
            });
            bool any = false;
            for (const Vote& v : votes) {
                if (!decisive(v) || (usedRef >> v.q & 1))
                    continue;
                from[v.line] = v.q;
                usedRef |= uint64_t{1} << v.q;
                committed.push_back(v.line);
                any = true;
            }
            // Nothing decisive: the strongest vote goes ahead, and the lines it adds outvote the
            // rest.
            if (!any) {
                from[votes.front().line] = votes.front().q;
                usedRef |= uint64_t{1} << votes.front().q;
                committed.push_back(votes.front().line);
            }
        }
        LineMap map{dumpLines_, refLines_, from, 0};
        const int64_t low = j0 & ((int64_t{1} << dumpLines_) - 1);
        const int64_t placed = map.source(low) & ((int64_t{1} << refLines_) - 1);
        map.xorMask = static_cast<uint32_t>((a0 & ((int64_t{1} << refLines_) - 1)) ^ placed);
        return map;
    }

    // The share of sampled offsets the map matches.
    double check(const LineMap& map) const {
        uint64_t random = 12345;
        const auto m = static_cast<uint64_t>(dump_.size());
        int agree = 0;
        for (int s = 0; s < CheckSamples; ++s) {
            const auto j = static_cast<int64_t>(NextRandom(random) % m);
            agree += reference_[static_cast<size_t>(map.source(j))] == dumpValue(j);
        }
        return static_cast<double>(agree) / CheckSamples;
    }

private:
    const Bytes& reference_;
    const Bytes& dump_;
    const std::array<uint8_t, 256>& undo_;
    int dumpLines_;
    int refLines_;
};

} // namespace

Histogram CountBytes(const Bytes& image) {
    std::array<std::array<uint32_t, 256>, 4> counts{};
    const size_t n = image.size();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ++counts[0][image[i]];
        ++counts[1][image[i + 1]];
        ++counts[2][image[i + 2]];
        ++counts[3][image[i + 3]];
    }
    for (; i < n; ++i)
        ++counts[0][image[i]];
    Histogram total{};
    for (const auto& c : counts)
        for (int v = 0; v < 256; ++v)
            total[v] += c[v];
    return total;
}

std::vector<int64_t> CountBytesByOffset(const Bytes& image) {
    std::vector<uint32_t> counts(8 * 256);
    const size_t n = image.size();
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (size_t k = 0; k < 8; ++k)
            ++counts[k * 256 + image[i + k]];
    for (; i < n; ++i)
        ++counts[(i & 7) * 256 + image[i]];
    return {counts.begin(), counts.end()};
}

std::vector<ScoredDataMap> DataMapsByHistogram(const std::vector<HistogramSource>& sources,
                                               const Histogram& dump, int count) {
    // One dive per source, nearest child first, bounds the best distance; then only maps near
    // the best dive are searched for, so that a source far off is given up after a few steps.
    double nearest = INFINITY;
    for (const HistogramSource& source : sources)
        for (const ScoredDataMap& m :
             HistogramSearch(source.counts, source.scale, dump, 1, INFINITY, DiveNodes).run())
            nearest = std::min(nearest, m.distance);
    const bool told = nearest < ToldDistance;
    std::vector<ScoredDataMap> maps;
    for (const HistogramSource& source : sources)
        for (const ScoredDataMap& m :
             HistogramSearch(source.counts, source.scale, dump, told ? count : 1,
                             told ? 2 * nearest + HistogramSlack + 1e-9 : INFINITY,
                             told ? MaxHistogramNodes : DiveNodes)
                 .run())
            if (std::find_if(maps.begin(), maps.end(),
                             [&](const ScoredDataMap& x) { return x.map == m.map; }) == maps.end())
                maps.push_back(m);
    std::stable_sort(maps.begin(), maps.end(), [](const ScoredDataMap& a, const ScoredDataMap& b) {
        return a.distance < b.distance;
    });
    if (static_cast<int>(maps.size()) > count)
        maps.resize(static_cast<size_t>(count));
    return maps;
}

std::optional<LineSearch> FindLineMap(const Bytes& reference, const Bytes& dump,
                                      const Histogram& dumpCounts,
                                      const std::array<uint8_t, 256>& undo, int dumpLines,
                                      int refLines) {
    LineGrowth growth(reference, dump, undo, dumpLines, refLines);
    std::vector<int> values;
    for (int w = 0; w < 256; ++w)
        if (dumpCounts[w] > 0)
            values.push_back(w);
    std::sort(values.begin(), values.end(),
              [&](int a, int b) { return dumpCounts[a] < dumpCounts[b]; });
    std::optional<LineSearch> best;
    const int64_t refBlock = int64_t{1} << refLines;
    for (int anchor = 0; anchor < AnchorCount && anchor < static_cast<int>(values.size());
         ++anchor) {
        const auto* at =
            static_cast<const uint8_t*>(std::memchr(dump.data(), values[anchor], dump.size()));
        const int64_t j0 = at - dump.data();
        const uint8_t value = growth.dumpValue(j0);
        // The anchor's neighbours across each line, as a set of values.
        std::array<uint64_t, 4> wanted{};
        std::vector<uint8_t> neighbours;
        for (int i = 0; i < dumpLines; ++i) {
            const uint8_t v = growth.dumpValue(j0 ^ (int64_t{1} << i));
            neighbours.push_back(v);
            wanted[v >> 6] |= uint64_t{1} << (v & 63);
        }
        // Reference offsets holding the value in the anchor's block, by how many of the anchor's
        // neighbour values their own neighbours hold.
        const int64_t base = (j0 >> dumpLines) << refLines;
        std::vector<std::pair<int, int64_t>> candidates;
        const uint8_t* block = reference.data() + base;
        for (const uint8_t* p = block;
             (p = static_cast<const uint8_t*>(std::memchr(p, value, block + refBlock - p))); ++p) {
            const int64_t a0 = p - reference.data();
            std::array<uint64_t, 4> held{};
            for (int q = 0; q < refLines; ++q) {
                const uint8_t v = reference[static_cast<size_t>(a0 ^ (int64_t{1} << q))];
                held[v >> 6] |= uint64_t{1} << (v & 63);
            }
            int shared = 0;
            for (uint8_t v : neighbours)
                shared += static_cast<int>(held[v >> 6] >> (v & 63) & 1);
            if (shared * 2 >= dumpLines)
                candidates.emplace_back(shared, a0);
        }
        const size_t grown = std::min<size_t>(candidates.size(), MaxGrownAnchors);
        std::partial_sort(candidates.begin(), candidates.begin() + static_cast<int64_t>(grown),
                          candidates.end(), std::greater<>());
        for (size_t c = 0; c < grown; ++c) {
            const auto map = growth.grow(j0, candidates[c].second);
            if (!map)
                continue;
            const double share = growth.check(*map);
            if (share >= 0.5 && (!best || share > best->share))
                best = LineSearch{*map, share};
            if (best && best->share >= 0.98)
                return best;
        }
    }
    return best;
}

} // namespace tool::detect
