// ImageComparison.h — the working image compared with a second image by device address: the
// differing ranges the viewers mark, the status line's summary and the step from one difference
// to the next.
#pragma once

#include "Compare.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct TImageComparison {
    // Maximal runs of differing addresses of one kind, in address order.
    std::vector<tool::DifferenceRange> Ranges;
    tool::ComparisonTotals Totals;
};

// Compares na bytes at originA (image A) with nb bytes at originB (image B) over every address
// either one holds: where both hold a byte and the bytes differ, a Changed range; where one alone
// holds bytes, OnlyInA or OnlyInB.
TImageComparison CompareImageBytes(const uint8_t* a, int64_t na, int64_t originA, const uint8_t* b,
                                   int64_t nb, int64_t originB);

// The status line's summary: "Файлы совпадают" for equal images, otherwise the number of differing
// addresses and the first of them in hex with at least six digits, "Различий: 12 (первое:
// 0x001F40)".
QString ComparisonStatusText(const tool::ComparisonTotals& totals);

enum class TSearchDirection { Forward, Backward };
// The start address of the first range that starts after address (Forward) or of the last one
// that starts before it (Backward); nothing when there is none.
std::optional<int64_t> NeighbourDifference(const std::vector<tool::DifferenceRange>& ranges,
                                           int64_t address, TSearchDirection direction);
