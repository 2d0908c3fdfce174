// QXBinHexMarks.cpp — the marked byte ranges and their index by start.
#include "QXBinHexMarks.h"

#include <algorithm>
#include <array>
#include <limits>

namespace binhex {

namespace {

// Up to this many marks added since the index was built are scanned rather than indexed.
constexpr size_t MaxUnindexed = 256;
// Subtrees of this level and below are scanned in start order rather than descended.
constexpr int ScanLevel = 3;

} // namespace

qint64 TMarkSet::Add(TOffset start, TOffset length, const QColor& back, const QColor& text,
                     const QString& hint) {
    if (start < 0 || length <= 0 || !back.isValid())
        return 0;
    length = std::min<TOffset>(length, std::numeric_limits<TOffset>::max() - start);
    Items.push_back({NextId, start, length, back, text, hint});
    ++Live;
    ++Changes;
    return NextId++;
}

bool TMarkSet::Remove(qint64 id) {
    const auto it = std::lower_bound(Items.begin(), Items.end(), id,
                                     [](const TQXBinHexMark& m, qint64 v) { return m.Id < v; });
    if (it == Items.end() || it->Id != id || it->Length == 0)
        return false;
    // The index keeps the place; queries pass over empty marks.
    it->Length = 0;
    it->Hint = QString();
    --Live;
    ++Changes;
    if (Items.size() - static_cast<size_t>(Live) > Items.size() / 2)
        Compact();
    return true;
}

void TMarkSet::Clear() {
    if (Items.empty())
        return;
    Items.clear();
    Nodes.clear();
    Indexed = 0;
    TopLevel = -1;
    Live = 0;
    ++Changes;
}

void TMarkSet::Compact() {
    std::erase_if(Items, [](const TQXBinHexMark& m) { return m.Length == 0; });
    Nodes.clear();
    Indexed = 0;
    TopLevel = -1;
}

// ---- The index ----------------------------------------------------------------------------------

// The live marks sorted by start (least significant byte first, so marks of one start stay in
// added order), then the largest end of each subtree of the implicit tree laid over that order:
// the node at index i is at the level of the trailing one bits of i, its children i ± 2^(level-1).
void TMarkSet::BuildIndex() const {
    Nodes.clear();
    Nodes.reserve(static_cast<size_t>(Live));
    uint64_t differing = 0;
    for (size_t i = 0; i < Items.size(); ++i) {
        const TQXBinHexMark& m = Items[i];
        if (m.Length == 0)
            continue;
        Nodes.push_back({m.Start, m.Start + m.Length, 0, static_cast<int>(i)});
        differing |= static_cast<uint64_t>(m.Start ^ Nodes.front().Start);
    }
    Indexed = Items.size();
    SortSpace.resize(Nodes.size());
    for (int shift = 0; shift < 64; shift += 8) {
        if (((differing >> shift) & 0xFF) == 0)
            continue;
        std::array<size_t, 257> at{};
        for (const TNode& n : Nodes)
            ++at[((static_cast<uint64_t>(n.Start) >> shift) & 0xFF) + 1];
        for (size_t b = 1; b < at.size(); ++b)
            at[b] += at[b - 1];
        for (const TNode& n : Nodes)
            SortSpace[at[(static_cast<uint64_t>(n.Start) >> shift) & 0xFF]++] = n;
        Nodes.swap(SortSpace);
    }

    const int64_t count = static_cast<int64_t>(Nodes.size());
    TopLevel = -1;
    if (count == 0)
        return;
    // last: the largest end under the last node of the level below, which stands in for the
    // missing right children along the tree's right edge.
    int64_t lastIndex = 0;
    TOffset last = 0;
    for (int64_t i = 0; i < count; i += 2) {
        lastIndex = i;
        last = Nodes[static_cast<size_t>(i)].MaxEnd = Nodes[static_cast<size_t>(i)].End;
    }
    int level = 1;
    for (; (int64_t(1) << level) <= count; ++level) {
        const int64_t half = int64_t(1) << (level - 1);
        for (int64_t i = 2 * half - 1; i < count; i += 4 * half) {
            const TOffset left = Nodes[static_cast<size_t>(i - half)].MaxEnd;
            const TOffset right =
                i + half < count ? Nodes[static_cast<size_t>(i + half)].MaxEnd : last;
            TNode& node = Nodes[static_cast<size_t>(i)];
            node.MaxEnd = std::max({node.End, left, right});
        }
        lastIndex = ((lastIndex >> level) & 1) ? lastIndex - half : lastIndex + half;
        if (lastIndex < count)
            last = std::max(last, Nodes[static_cast<size_t>(lastIndex)].MaxEnd);
    }
    TopLevel = level - 1;
}

// Appends the items of the indexed live marks covering a byte of [start, end), in tree order.
void TMarkSet::QueryIndex(TOffset start, TOffset end, std::vector<int>& found) const {
    if (TopLevel < 0)
        return;
    const int64_t count = static_cast<int64_t>(Nodes.size());
    auto report = [&](const TNode& n) {
        if (start < n.End && Items[static_cast<size_t>(n.Item)].Length != 0)
            found.push_back(n.Item);
    };
    struct TFrame {
        int64_t Node;
        int Level;
        bool LeftDone;
    };
    std::array<TFrame, 130> stack;
    int top = 0;
    stack[top++] = {(int64_t(1) << TopLevel) - 1, TopLevel, false};
    while (top > 0) {
        const TFrame f = stack[--top];
        if (f.Level <= ScanLevel) {
            const int64_t first = f.Node >> f.Level << f.Level;
            const int64_t stop = std::min(count, first + (int64_t(2) << f.Level) - 1);
            for (int64_t i = first; i < stop && Nodes[static_cast<size_t>(i)].Start < end; ++i)
                report(Nodes[static_cast<size_t>(i)]);
        } else if (!f.LeftDone) {
            const int64_t left = f.Node - (int64_t(1) << (f.Level - 1));
            stack[top++] = {f.Node, f.Level, true};
            if (left >= count || Nodes[static_cast<size_t>(left)].MaxEnd > start)
                stack[top++] = {left, f.Level - 1, false};
        } else if (f.Node < count && Nodes[static_cast<size_t>(f.Node)].Start < end) {
            report(Nodes[static_cast<size_t>(f.Node)]);
            stack[top++] = {f.Node + (int64_t(1) << (f.Level - 1)), f.Level - 1, false};
        }
    }
}

void TMarkSet::Find(TOffset start, TOffset end, std::vector<int>& found) const {
    found.clear();
    if (Live == 0 || start >= end)
        return;
    if (Items.size() - Indexed > MaxUnindexed)
        BuildIndex();
    QueryIndex(start, end, found);
    std::sort(found.begin(), found.end());
    for (size_t i = Indexed; i < Items.size(); ++i) {
        const TQXBinHexMark& m = Items[i];
        if (m.Length != 0 && m.Start < end && start < m.Start + m.Length)
            found.push_back(static_cast<int>(i));
    }
}

QList<TQXBinHexMark> TMarkSet::Covering(TOffset start, TOffset length) const {
    QList<TQXBinHexMark> marks;
    if (length <= 0)
        return marks;
    Find(start, start + std::min(length, std::numeric_limits<TOffset>::max() - start), Found);
    marks.reserve(static_cast<qsizetype>(Found.size()));
    for (const int h : Found)
        marks.append(Item(h));
    return marks;
}

TQXBinHexMark TMarkSet::At(TOffset pos) const {
    if (pos < 0 || pos == std::numeric_limits<TOffset>::max())
        return {};
    Find(pos, pos + 1, Found);
    return Found.empty() ? TQXBinHexMark{} : Item(Found.back());
}

void TMarkSet::Runs(TOffset pos, int count, int step, std::vector<TRun>& runs) const {
    runs.clear();
    if (Live == 0 || count <= 0 || step <= 0 || pos < 0)
        return;
    const TOffset span =
        std::min(static_cast<TOffset>(count) * step, std::numeric_limits<TOffset>::max() - pos);
    Find(pos, pos + span, Found);
    if (Found.empty())
        return;
    Owner.assign(static_cast<size_t>(count), -1);
    for (const int h : Found) {
        const TQXBinHexMark& m = Item(h);
        const TOffset from = m.Start <= pos ? 0 : (m.Start - pos) / step;
        const TOffset reach = m.Start + m.Length - pos;
        const TOffset to = std::min<TOffset>(count, reach / step + (reach % step != 0 ? 1 : 0));
        std::fill(Owner.begin() + from, Owner.begin() + to, h);
    }
    for (int i = 0; i < count;) {
        const int h = Owner[static_cast<size_t>(i)];
        int j = i + 1;
        while (j < count && Owner[static_cast<size_t>(j)] == h)
            ++j;
        if (h >= 0)
            runs.push_back({i, j, h});
        i = j;
    }
}

} // namespace binhex
