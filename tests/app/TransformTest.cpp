// TransformTest.cpp — mirroring and inversion over plain byte ranges.
#include "WorkingImage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RampBytes(int n) {
    Bytes b(n);
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(i);
    return b;
}

Bytes Mirrored(Bytes b, int dataSizeIndex, bool lowByteFirst) {
    MirrorByDataSize(b.data(), static_cast<int>(b.size()), dataSizeIndex, lowByteFirst);
    return b;
}

// Word reversal for even n: the words in reverse order, each word's bytes swapped when high byte
// first.
Bytes WordModel(const Bytes& in, bool highByteFirst) {
    Bytes out;
    for (int w = static_cast<int>(in.size()) / 2 - 1; w >= 0; --w) {
        const uint8_t a = in[2 * w];
        const uint8_t b = in[2 * w + 1];
        out.push_back(highByteFirst ? b : a);
        out.push_back(highByteFirst ? a : b);
    }
    return out;
}

} // namespace

TEST(Transform, EightBytesInEveryMode) {
    EXPECT_EQ(Mirrored(RampBytes(8), 0, true), (Bytes{7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(Mirrored(RampBytes(8), 1, true), (Bytes{6, 7, 4, 5, 2, 3, 0, 1}));
    EXPECT_EQ(Mirrored(RampBytes(8), 1, false), (Bytes{7, 6, 5, 4, 3, 2, 1, 0}));
}

TEST(Transform, SixBytesMiddleWordFollowsByteOrder) {
    EXPECT_EQ(Mirrored(RampBytes(6), 1, true), (Bytes{4, 5, 2, 3, 0, 1}));
    EXPECT_EQ(Mirrored(RampBytes(6), 1, false), (Bytes{5, 4, 3, 2, 1, 0}));
}

TEST(Transform, TinyImagesAreLeftAlone) {
    for (int n : {0, 1})
        EXPECT_EQ(Mirrored(RampBytes(n), 0, true), RampBytes(n)) << n;
    for (bool low : {true, false}) {
        EXPECT_EQ(Mirrored(RampBytes(2), 1, low), RampBytes(2));
        EXPECT_EQ(Mirrored(RampBytes(1), 1, low), RampBytes(1));
        EXPECT_EQ(Mirrored(RampBytes(0), 1, low), RampBytes(0));
    }
}

TEST(Transform, OddLengthsAlignWordsToBothEnds) {
    // n mod 4 = 3: the last pair overlaps by one byte; n mod 4 = 1: the middle byte stays.
    EXPECT_EQ(Mirrored(RampBytes(3), 1, true), (Bytes{1, 2, 0}));
    EXPECT_EQ(Mirrored(RampBytes(3), 1, false), (Bytes{2, 1, 0}));
    EXPECT_EQ(Mirrored(RampBytes(5), 1, true), (Bytes{3, 4, 2, 0, 1}));
    EXPECT_EQ(Mirrored(RampBytes(5), 1, false), (Bytes{4, 3, 2, 1, 0}));
    EXPECT_EQ(Mirrored(RampBytes(7), 1, true), (Bytes{5, 6, 3, 4, 2, 0, 1}));
    EXPECT_EQ(Mirrored(RampBytes(7), 1, false), (Bytes{6, 5, 4, 3, 2, 1, 0}));
}

TEST(Transform, SixteenBytesLowFirstMovesEveryWord) {
    const Bytes in = RampBytes(16);
    const Bytes out = Mirrored(in, 1, true);
    EXPECT_EQ(out, WordModel(in, false));
    for (int w = 0; w < 8; ++w)
        EXPECT_NE(out[2 * w], in[2 * w]) << "word " << w << " stayed in place";
}

TEST(Transform, FreeTextDataSizeChangesNothing) {
    EXPECT_EQ(Mirrored(RampBytes(9), -1, true), RampBytes(9));
    EXPECT_EQ(Mirrored(RampBytes(9), 5, false), RampBytes(9));
}

TEST(Transform, EvenLengthsMatchTheWordModel) {
    std::mt19937 rng(7);
    for (int n = 4; n <= 64; n += 2) {
        Bytes in(n);
        for (auto& b : in)
            b = static_cast<uint8_t>(rng());
        EXPECT_EQ(Mirrored(in, 1, true), WordModel(in, false)) << n;
        EXPECT_EQ(Mirrored(in, 1, false), WordModel(in, true)) << n;
        Bytes reversed(in.rbegin(), in.rend());
        EXPECT_EQ(Mirrored(in, 1, false), reversed)
            << "high byte first equals byte reversal, n=" << n;
        EXPECT_EQ(Mirrored(in, 0, true), reversed) << n;
    }
}

TEST(Transform, LargestImageTouchesNothingOutside) {
    constexpr int Guard = 64;
    for (int mode : {0, 1}) {
        for (bool low : {true, false}) {
            Bytes block(ImageCapacity + 2 * Guard, 0xA5);
            uint8_t* image = block.data() + Guard;
            for (int i = 0; i < ImageCapacity; ++i)
                image[i] = static_cast<uint8_t>(i * 7);
            MirrorByDataSize(image, ImageCapacity, mode, low);
            InvertBytes(image, ImageCapacity);
            for (int i = 0; i < Guard; ++i) {
                ASSERT_EQ(block[i], 0xA5);
                ASSERT_EQ(block[Guard + ImageCapacity + i], 0xA5);
            }
            EXPECT_EQ(image[0], static_cast<uint8_t>(~static_cast<uint8_t>(
                                    (ImageCapacity - (mode == 1 && low ? 2 : 1)) * 7)));
        }
    }
}

TEST(Transform, InvertTwiceRestores) {
    Bytes in = RampBytes(300);
    Bytes b = in;
    InvertBytes(b.data(), 300);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[255], 0x00);
    InvertBytes(b.data(), 300);
    EXPECT_EQ(b, in);
}
