// ImageTransformsTest.cpp — every code path of the transformations against plain reference loops.
#include "ImageTransforms.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The word mirror as one plain loop: words counted from the top and from the bottom exchange, in
// this order of assignments, until the two counts meet.
void MirrorWordsReference(uint8_t* b, int64_t n, bool highByteFirst) {
    if (n <= 2)
        return;
    for (int64_t hi = n - 2, lo = 0; hi >= lo; hi -= 2, lo += 2) {
        const uint8_t x = b[hi];
        const uint8_t y = b[hi + 1];
        b[hi] = highByteFirst ? b[lo + 1] : b[lo];
        b[hi + 1] = highByteFirst ? b[lo] : b[lo + 1];
        b[lo] = highByteFirst ? y : x;
        b[lo + 1] = highByteFirst ? x : y;
    }
}

enum class Operation { MirrorBytes, MirrorWordsLowFirst, MirrorWordsHighFirst, Invert };

void Apply(Operation op, uint8_t* b, int64_t n) {
    switch (op) {
    case Operation::MirrorBytes:
        MirrorBytes(b, n);
        break;
    case Operation::MirrorWordsLowFirst:
        MirrorWords(b, n, /*highByteFirst=*/false);
        break;
    case Operation::MirrorWordsHighFirst:
        MirrorWords(b, n, /*highByteFirst=*/true);
        break;
    case Operation::Invert:
        InvertBytes(b, n);
        break;
    }
}

Bytes Reference(Operation op, Bytes b) {
    switch (op) {
    case Operation::MirrorBytes:
        std::reverse(b.begin(), b.end());
        break;
    case Operation::MirrorWordsLowFirst:
    case Operation::MirrorWordsHighFirst:
        MirrorWordsReference(b.data(), static_cast<int64_t>(b.size()),
                             op == Operation::MirrorWordsHighFirst);
        break;
    case Operation::Invert:
        for (uint8_t& x : b)
            x = static_cast<uint8_t>(~x);
        break;
    }
    return b;
}

std::string PathName(const testing::TestParamInfo<TransformPath>& info) {
    return TransformPathName(info.param);
}

class ImageTransformsPath : public testing::TestWithParam<TransformPath> {
protected:
    void SetUp() override { UseTransformPath(GetParam()); }
    void TearDown() override { UseTransformPath(AvailableTransformPaths().back()); }
};

} // namespace

TEST_P(ImageTransformsPath, GivesThePlainLoopsBytesAndTouchesNothingOutside) {
    // Around the block widths (8, 16, 32 and the two-ended 64), odd sizes of both kinds for the
    // overlapping and the middle word, and the largest image.
    const int64_t sizes[] = {0,
                             1,
                             2,
                             3,
                             4,
                             5,
                             7,
                             8,
                             9,
                             15,
                             16,
                             17,
                             31,
                             32,
                             33,
                             47,
                             63,
                             64,
                             65,
                             66,
                             67,
                             95,
                             96,
                             97,
                             127,
                             128,
                             129,
                             130,
                             131,
                             257,
                             1021,
                             1023,
                             1 << 20,
                             (1 << 20) + 1,
                             (1 << 20) + 3};
    constexpr int64_t Guard = 40;
    constexpr uint8_t GuardValue = 0xA5;
    std::mt19937 rng(11);
    for (const Operation op : {Operation::MirrorBytes, Operation::MirrorWordsLowFirst,
                               Operation::MirrorWordsHighFirst, Operation::Invert}) {
        for (const int64_t n : sizes) {
            for (const int64_t misalign : {0, 1, 3}) {
                SCOPED_TRACE(testing::Message() << "operation " << static_cast<int>(op) << ", n "
                                                << n << ", start " << misalign);
                Bytes original(static_cast<size_t>(n));
                for (uint8_t& x : original)
                    x = static_cast<uint8_t>(rng());
                Bytes storage(static_cast<size_t>(n + 2 * Guard + misalign), GuardValue);
                uint8_t* image = storage.data() + Guard + misalign;
                std::copy(original.begin(), original.end(), image);

                Apply(op, image, n);

                ASSERT_TRUE(std::equal(image, image + n, Reference(op, original).begin()));
                ASSERT_TRUE(std::all_of(storage.begin(), storage.begin() + Guard + misalign,
                                        [](uint8_t x) { return x == GuardValue; }));
                ASSERT_TRUE(std::all_of(storage.end() - Guard, storage.end(),
                                        [](uint8_t x) { return x == GuardValue; }));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, ImageTransformsPath,
                         testing::ValuesIn(AvailableTransformPaths()), PathName);
