// QXBinHexMarks.h — the marked byte ranges of TQXBinHex.
#pragma once

#include "QXBinHex.h"

#include <QList>
#include <vector>

namespace binhex {

// The marks in the order they were added (their ids rise with it).
class TMarkSet {
public:
    qint64 Add(TOffset start, TOffset length, const QColor& back, const QColor& text,
               const QString& hint);
    bool Remove(qint64 id);
    void Clear();
    int Count() const { return static_cast<int>(Items.size()); }
    // The marks covering a byte of [start, start + length), in the order they were added.
    QList<TQXBinHexMark> Covering(TOffset start, TOffset length) const;
    // The last added mark covering pos; Id 0 for none.
    TQXBinHexMark At(TOffset pos) const;

private:
    std::vector<TQXBinHexMark> Items;
    qint64 NextId = 1;
};

} // namespace binhex
