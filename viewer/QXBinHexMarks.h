// QXBinHexMarks.h — the marked byte ranges of TQXBinHex and the index that finds those over a
// range.
#pragma once

#include "QXBinHex.h"

#include <QList>
#include <cstdint>
#include <vector>

namespace binhex {

// The marks in the order they were added (their ids rise with it), and an index of them sorted by
// start with the largest end of each subtree, which finds the k marks over a range in O(log n + k).
// The index is built by the first query after a change of more than a few marks; the marks added
// since it was built are scanned. A removed mark stays in place, empty, until half the marks are
// removed ones. Queries are const but may build the index: a set belongs to one thread.
class TMarkSet {
public:
    // The mark's id, or 0 (nothing added) when start is negative, length is not positive or back is
    // invalid. The length is lowered so that the end stays within 64 bits.
    qint64 Add(TOffset start, TOffset length, const QColor& back, const QColor& text,
               const QString& hint);
    // False when no mark has the id.
    bool Remove(qint64 id);
    void Clear();
    int Count() const { return Live; }
    // Rises with every change of the marks.
    uint64_t Generation() const { return Changes; }
    // The marks covering a byte of [start, start + length), in the order they were added.
    QList<TQXBinHexMark> Covering(TOffset start, TOffset length) const;
    // The last added mark covering pos; Id 0 for none.
    TQXBinHexMark At(TOffset pos) const;

    // Handles of the marks covering a byte of [start, end), in the order they were added; a handle
    // is valid until the next change.
    void Find(TOffset start, TOffset end, std::vector<int>& found) const;
    const TQXBinHexMark& Item(int handle) const { return Items[static_cast<size_t>(handle)]; }

    // Characters [From, To) of a line drawn with the mark of handle Mark.
    struct TRun {
        int From = 0;
        int To = 0;
        int Mark = 0;
    };
    // The runs, left to right, of the marked characters among count characters of step bytes from
    // pos: a character shows the last added of the marks covering any of its bytes.
    void Runs(TOffset pos, int count, int step, std::vector<TRun>& runs) const;
    // True when a run holds character i; at walks the runs and is kept for a later call with a
    // character further right.
    static bool RunsCover(const std::vector<TRun>& runs, size_t& at, int i) {
        while (at < runs.size() && runs[at].To <= i)
            ++at;
        return at < runs.size() && runs[at].From <= i;
    }

private:
    struct TNode {
        TOffset Start = 0;
        TOffset End = 0;
        // The largest End of the subtree under this node.
        TOffset MaxEnd = 0;
        int Item = 0;
    };
    void BuildIndex() const;
    void QueryIndex(TOffset start, TOffset end, std::vector<int>& found) const;
    void Compact();

    std::vector<TQXBinHexMark> Items; // removed ones have Length 0
    int Live = 0;
    qint64 NextId = 1;
    uint64_t Changes = 0;
    // The index covers Items[0, Indexed) (the live ones at the time it was built).
    mutable std::vector<TNode> Nodes;
    mutable size_t Indexed = 0;
    mutable int TopLevel = -1;
    mutable std::vector<TNode> SortSpace;
    mutable std::vector<int> Owner;
    mutable std::vector<int> Found;
};

} // namespace binhex
