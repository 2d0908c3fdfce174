// CompareReference.h — images with gaps at an address and their comparison address by address:
// the reference for the tool's comparison.
#pragma once

#include "Compare.h"
#include "support/RandomBytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace test {

// An image at an address whose bytes are held only where held says so; read() gives 0xFF in the
// gaps, as a HEX file's image does.
class HoledImage : public tool::ByteSource {
public:
    HoledImage(std::vector<uint8_t> bytes, std::vector<bool> held)
        : bytes_(std::move(bytes)), held_(std::move(held)) {}
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
    void read(int64_t offset, uint8_t* to, int64_t n) override {
        for (int64_t i = 0; i < n; ++i)
            to[i] = held_[offset + i] ? bytes_[offset + i] : 0xFF;
    }
    std::vector<tool::DataRange> ranges() const override {
        std::vector<tool::DataRange> ranges;
        for (int64_t i = 0; i < size(); ++i)
            if (held_[i]) {
                if (!ranges.empty() && ranges.back().offset + ranges.back().length == i)
                    ++ranges.back().length;
                else
                    ranges.push_back({i, 1});
            }
        return ranges;
    }
    bool holds(int64_t offset) const { return offset >= 0 && offset < size() && held_[offset]; }
    uint8_t at(int64_t offset) const { return bytes_[offset]; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<bool> held_;
};

// The bytes of a with a share of them changed (each to another value), then cut or extended with
// random bytes to size: a second image to compare with a.
inline std::vector<uint8_t> Changed(std::vector<uint8_t> a, double share, size_t size,
                                    unsigned seed) {
    std::mt19937 rng(seed);
    for (auto& x : a)
        if (std::uniform_real_distribution<>(0, 1)(rng) < share)
            x = static_cast<uint8_t>(x + 1 + rng() % 255);
    const std::vector<uint8_t> more = RandomBytes(static_cast<int64_t>(size), seed + 1);
    for (size_t i = a.size(); i < size; ++i)
        a.push_back(more[i]);
    a.resize(size);
    return a;
}

struct ReferenceComparison {
    std::vector<tool::DifferenceRange> ranges;
    tool::ComparisonTotals totals;
};

// A at addressA compared with B at addressB one address at a time.
inline ReferenceComparison CompareByAddress(const HoledImage& a, int64_t addressA,
                                            const HoledImage& b, int64_t addressB) {
    ReferenceComparison r;
    const int64_t from = std::min(addressA, addressB);
    const int64_t to = std::max(addressA + a.size(), addressB + b.size());
    for (int64_t x = from; x < to; ++x) {
        const bool inA = a.holds(x - addressA), inB = b.holds(x - addressB);
        const uint8_t byteA = inA ? a.at(x - addressA) : 0, byteB = inB ? b.at(x - addressB) : 0;
        tool::Difference kind;
        if (inA && inB) {
            for (int bit = 0; bit < 8; ++bit)
                r.totals.eraseBits += !((byteA >> bit) & 1) && ((byteB >> bit) & 1);
            if (byteA == byteB)
                continue;
            kind = tool::Difference::Changed;
            ++r.totals.changed;
        } else if (inA) {
            kind = tool::Difference::OnlyInA;
            ++r.totals.onlyInA;
        } else if (inB) {
            kind = tool::Difference::OnlyInB;
            ++r.totals.onlyInB;
        } else {
            continue;
        }
        if (!r.totals.first)
            r.totals.first = tool::FirstDifference{x, kind, byteA, byteB};
        if (!r.ranges.empty() && r.ranges.back().kind == kind &&
            r.ranges.back().address + r.ranges.back().length == x)
            ++r.ranges.back().length;
        else
            r.ranges.push_back({x, 1, kind});
    }
    r.totals.ranges = static_cast<int64_t>(r.ranges.size());
    return r;
}

} // namespace test
