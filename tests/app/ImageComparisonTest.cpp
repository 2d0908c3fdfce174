// ImageComparisonTest.cpp — the window's comparison of two images in memory against the
// address-by-address reference, its status text, and the steps between differences.
#include "ImageComparison.h"
#include "TestSupport.h"
#include "support/CompareReference.h"

#include <gtest/gtest.h>

TEST(ImageComparison, RangesMatchTheReferenceAtAnyOrigins) {
    const std::vector<uint8_t> a = RandomBytes(5000, 3);
    const struct {
        const char* name;
        int64_t originA;
        int64_t originB;
        size_t sizeB;
    } cases[] = {
        {"same origin, longer second", 0, 0, 5300},
        {"same origin, shorter second", 0, 0, 4000},
        {"second starts later", 0x8000, 0x8100, 5000},
        {"second starts earlier", 0x8000, 0x7F00, 4800},
        {"apart", 0, 0x10000, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> b = test::Changed(a, 0.01, c.sizeB, 11);
        const test::ReferenceComparison expected = test::CompareByAddress(
            test::HoledImage(a, std::vector<bool>(a.size(), true)), c.originA,
            test::HoledImage(b, std::vector<bool>(b.size(), true)), c.originB);
        const TImageComparison got =
            CompareImageBytes(a.data(), static_cast<int64_t>(a.size()), c.originA, b.data(),
                              static_cast<int64_t>(b.size()), c.originB);
        EXPECT_EQ(got.Ranges, expected.ranges);
        EXPECT_EQ(got.Totals.differing(), expected.totals.differing());
        EXPECT_EQ(got.Totals.first, expected.totals.first);
    }
}

TEST(ImageComparison, StatusTextGivesCountAndFirstAddress) {
    auto totals = [](int64_t changed, int64_t only, int64_t first) {
        tool::ComparisonTotals t;
        t.changed = changed;
        t.onlyInB = only;
        if (changed + only > 0)
            t.first = tool::FirstDifference{first, tool::Difference::Changed, 0, 0};
        return t;
    };
    const struct {
        tool::ComparisonTotals totals;
        QString text;
    } cases[] = {
        {totals(0, 0, 0), QStringLiteral("Файлы совпадают")},
        {totals(12, 0, 0x1F40), QStringLiteral("Различий: 12 (первое: 0x001F40)")},
        {totals(1, 0, 0), QStringLiteral("Различий: 1 (первое: 0x000000)")},
        {totals(3, 1048576, 0xABCDEF), QStringLiteral("Различий: 1048579 (первое: 0xABCDEF)")},
        {totals(0, 2, 0x1FFFF0000), QStringLiteral("Различий: 2 (первое: 0x1FFFF0000)")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComparisonStatusText(c.totals), c.text);
}

TEST(ImageComparison, NeighbourDifferenceStepsOverRangeStarts) {
    const std::vector<tool::DifferenceRange> ranges = {
        {0x10, 4, tool::Difference::Changed},
        {0x14, 2, tool::Difference::OnlyInB},
        {0x100, 1, tool::Difference::Changed},
    };
    constexpr int64_t Before = std::numeric_limits<int64_t>::min();
    const struct {
        int64_t from;
        TSearchDirection direction;
        std::optional<int64_t> to;
    } cases[] = {
        {Before, TSearchDirection::Forward, 0x10},
        {Before, TSearchDirection::Backward, std::nullopt},
        {0x10, TSearchDirection::Forward, 0x14},
        {0x12, TSearchDirection::Forward, 0x14},
        {0x14, TSearchDirection::Forward, 0x100},
        {0x100, TSearchDirection::Forward, std::nullopt},
        {0x100, TSearchDirection::Backward, 0x14},
        {0x14, TSearchDirection::Backward, 0x10},
        {0x10, TSearchDirection::Backward, std::nullopt},
        {0x1000, TSearchDirection::Backward, 0x100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeighbourDifference(ranges, c.from, c.direction), c.to)
            << c.from << (c.direction == TSearchDirection::Forward ? " forward" : " backward");
    EXPECT_EQ(NeighbourDifference({}, 0, TSearchDirection::Forward), std::nullopt);
}
