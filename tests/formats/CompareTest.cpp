// CompareTest.cpp — the comparison against an address-by-address reference: gaps, offsets,
// blocks of any size, addresses past 4 GiB.
#include "Compare.h"
#include "support/CompareReference.h"
#include "support/RandomBytes.h"

#include <gtest/gtest.h>
#include <random>

using namespace tool;

namespace {

// Held runs and gaps of random lengths, or everything held.
std::vector<bool> RandomHolding(size_t n, std::mt19937& rng, bool gaps) {
    std::vector<bool> held(n, true);
    if (!gaps)
        return held;
    bool holding = true;
    for (size_t i = 0; i < n;) {
        const size_t run = std::min<size_t>(n - i, 1 + rng() % 40);
        std::fill(held.begin() + static_cast<ptrdiff_t>(i),
                  held.begin() + static_cast<ptrdiff_t>(i + run), holding);
        holding = !holding;
        i += run;
    }
    return held;
}

} // namespace

TEST(Compare, AgreesWithTheAddressByAddressReference) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const size_t sizeA = rng() % 700, sizeB = rng() % 2 ? sizeA : rng() % 700;
        const double share = std::array{0.0, 0.01, 0.2, 1.0}[rng() % 4];
        const auto bytesA = RandomBytes(static_cast<int64_t>(sizeA), round);
        test::HoledImage a(bytesA, RandomHolding(sizeA, rng, rng() % 2));
        test::HoledImage b(test::Changed(bytesA, share, sizeB, round + 1000),
                           RandomHolding(sizeB, rng, rng() % 2));
        const int64_t addressA = rng() % 3 ? 0 : rng() % 40;
        const int64_t addressB = rng() % 3 ? 0 : rng() % 40;
        std::vector<DifferenceRange> ranges;
        const ComparisonTotals totals =
            CompareImages({a, addressA}, {b, addressB}, 1 + rng() % 200,
                          [&](const DifferenceRange& r) { ranges.push_back(r); });
        const test::ReferenceComparison expected = test::CompareByAddress(a, addressA, b, addressB);
        EXPECT_EQ(ranges, expected.ranges);
        EXPECT_EQ(totals, expected.totals);
    }
}

// An offset past 4 GiB.
constexpr int64_t Far = int64_t{9} << 29;

TEST(Compare, AddressesPastFourGiB) {
    // 5 GiB of which only 16 bytes at the start and 16 past 4 GiB are held; nothing is stored.
    class FarApart : public ByteSource {
    public:
        explicit FarApart(uint8_t seed) : seed_(seed) {}
        int64_t size() const override { return Far + 16; }
        void read(int64_t offset, uint8_t* to, int64_t n) override {
            for (int64_t i = 0; i < n; ++i)
                to[i] =
                    static_cast<uint8_t>((offset + i) * 7 + (offset + i == Far + 9 ? seed_ : 0));
        }
        std::vector<DataRange> ranges() const override { return {{0, 16}, {Far, 16}}; }

    private:
        uint8_t seed_;
    };
    FarApart a(0), b(1);
    const ComparisonTotals totals = CompareImages({a, 0}, {b, 0x100}, 1 << 20);
    const int64_t far = Far;
    // B sits 0x100 higher: A's bytes [0, 16) and [far, far + 16) against B's [0x100, 0x110) and
    // [far + 0x100, far + 0x110), apart from each other.
    EXPECT_EQ(totals.onlyInA, 32);
    EXPECT_EQ(totals.onlyInB, 32);
    EXPECT_EQ(totals.ranges, 4);
    const ComparisonTotals same = CompareImages({a, 0}, {b, 0}, 1 << 20);
    EXPECT_EQ(same.changed, 1);
    ASSERT_TRUE(same.first);
    EXPECT_EQ(same.first->address, far + 9);
    EXPECT_EQ(same.first->b, static_cast<uint8_t>(same.first->a + 1));
}
