// ImageComparison.cpp — the comparison of two images in memory and its summary.
#include "ImageComparison.h"

#include <algorithm>

namespace {

constexpr int64_t CompareBlockBytes = 64 * 1024;

} // namespace

TImageComparison CompareImageBytes(const uint8_t* a, int64_t na, int64_t originA, const uint8_t* b,
                                   int64_t nb, int64_t originB) {
    TImageComparison result;
    tool::MemorySource sourceA(a, na), sourceB(b, nb);
    result.Totals = tool::CompareImages(
        {sourceA, originA}, {sourceB, originB}, CompareBlockBytes,
        [&result](const tool::DifferenceRange& range) { result.Ranges.push_back(range); });
    return result;
}

QString ComparisonStatusText(const tool::ComparisonTotals& totals) {
    if (totals.equal())
        return QStringLiteral("Файлы совпадают");
    const QString first =
        QString::number(totals.first->address, 16).toUpper().rightJustified(6, QLatin1Char('0'));
    return QStringLiteral("Различий: %1 (первое: 0x%2)").arg(totals.differing()).arg(first);
}

std::optional<int64_t> NeighbourDifference(const std::vector<tool::DifferenceRange>& ranges,
                                           int64_t address, TSearchDirection direction) {
    const auto startsAfter = std::upper_bound(
        ranges.begin(), ranges.end(), address,
        [](int64_t value, const tool::DifferenceRange& range) { return value < range.address; });
    if (direction == TSearchDirection::Forward) {
        if (startsAfter == ranges.end())
            return std::nullopt;
        return startsAfter->address;
    }
    // The ranges before startsAfter start at or before address; the one starting at it is skipped.
    auto before = startsAfter;
    while (before != ranges.begin()) {
        --before;
        if (before->address < address)
            return before->address;
    }
    return std::nullopt;
}
