// QXBinHexMarksTest.cpp — the mark index against the plain model under random marks, removals and
// clears, and the marks it refuses.
#include "QXBinHexMarks.h"
#include "support/MarkModel.h"
#include "support/NamedCases.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using binhex::TMarkSet;

namespace {

std::vector<int64_t> Ids(const QList<TQXBinHexMark>& marks) {
    std::vector<int64_t> ids;
    for (const TQXBinHexMark& m : marks)
        ids.push_back(m.Id);
    return ids;
}

// Expects the set and the model to agree on the marks over a range, on the mark over each of its
// bytes, and on the marked runs of its characters of step bytes.
void ExpectAgree(const TMarkSet& set, const test::MarkModel& model, int64_t start, int count,
                 int step) {
    EXPECT_EQ(Ids(set.Covering(start, int64_t(count) * step)),
              model.Covering(start, int64_t(count) * step))
        << start;
    std::vector<TMarkSet::TRun> runs;
    set.Runs(start, count, step, runs);
    const std::vector<int64_t> owners = model.Owners(start, count * step);
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t pos = start + int64_t(i) * step;
        EXPECT_EQ(set.At(pos).Id, owners[size_t(i) * step]) << pos;
        int64_t want = 0;
        for (int b = 0; b < step; ++b)
            want = std::max(want, owners[size_t(i) * step + b]);
        const int64_t got = TMarkSet::RunsCover(runs, at, i) ? set.Item(runs[at].Mark).Id : 0;
        EXPECT_EQ(got, want) << "character " << i << " of " << start << " by " << step;
    }
}

} // namespace

// 100,000 marks over 4 MiB, short ones and a few long ones overlapping them, removed at random and
// cleared now and then; queries come both soon after a change (the marks not yet indexed) and after
// many.
TEST(MarkSet, AgreesWithThePlainModel) {
    std::mt19937_64 rng(20261209);
    TMarkSet set;
    test::MarkModel model;
    constexpr int64_t Space = 4 << 20;
    int added = 0;
    while (added < 100000) {
        const uint64_t r = rng();
        const int dice = int(r % 1000);
        if (dice == 0) {
            if (rng() % 8 == 0) {
                set.Clear();
                model.Clear();
            }
        } else if (dice < 200) {
            const int64_t id = rng() % 16 == 0 ? int64_t(rng() % (added + 2)) : model.Pick(rng());
            EXPECT_EQ(set.Remove(id), model.Remove(id)) << id;
        } else if (dice < 205) {
            const int64_t near = model.StartOf(model.Pick(rng()));
            const int64_t start = std::max<int64_t>(0, near - 40 + int64_t(rng() % 80));
            ExpectAgree(set, model, start, 16 + int(rng() % 64), 1 + int(rng() % 2));
            EXPECT_EQ(set.Count(), model.Count());
        } else {
            const int64_t start = int64_t(rng() % Space);
            const int64_t length =
                rng() % 100 == 0 ? 1 + int64_t(rng() % (Space / 8)) : 1 + int64_t(rng() % 300);
            const qint64 id = set.Add(start, length, Qt::yellow, QColor(), QString());
            ASSERT_GT(id, 0);
            model.Add(id, start, length);
            ++added;
        }
        if (HasFailure())
            return;
    }
    for (int k = 0; k < 200; ++k)
        ExpectAgree(set, model, int64_t(rng() % Space), 64, 1 + k % 2);
}

struct RefusedCase : test::NamedCase {
    int64_t Start, Length;
    QColor Back;
};

class MarkSetRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MarkSetRefuses, GivesNoId) {
    TMarkSet set;
    const RefusedCase& c = GetParam();
    EXPECT_EQ(set.Add(c.Start, c.Length, c.Back, QColor(), QString()), 0);
    EXPECT_EQ(set.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, MarkSetRefuses,
                         ::testing::Values(RefusedCase{"NegativeStart", -1, 4, Qt::red},
                                           RefusedCase{"EmptyLength", 10, 0, Qt::red},
                                           RefusedCase{"NegativeLength", 10, -3, Qt::red},
                                           RefusedCase{"InvalidBackColor", 10, 4, QColor()}),
                         test::CaseName());

// A mark reaching past the largest offset ends there; its last byte is still found.
TEST(MarkSet, LengthIsCutAtTheLargestOffset) {
    TMarkSet set;
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    const qint64 id = set.Add(Max - 10, Max, Qt::red, QColor(), QStringLiteral("end"));
    EXPECT_EQ(set.At(Max - 1).Id, id);
    EXPECT_EQ(set.At(Max - 1).Length, 10);
    EXPECT_EQ(set.Covering(Max - 5, Max).size(), 1);
}
