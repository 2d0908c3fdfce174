// QXBinHexMarks.cpp — the marked byte ranges and the control's operations on them.
#include "QXBinHexMarks.h"

#include "QXBinHex_p.h"

#include <algorithm>

namespace binhex {

qint64 TMarkSet::Add(TOffset start, TOffset length, const QColor& back, const QColor& text,
                     const QString& hint) {
    if (start < 0 || length <= 0 || !back.isValid())
        return 0;
    length = std::min<TOffset>(length, INT64_MAX - start);
    Items.push_back({NextId, start, length, back, text, hint});
    return NextId++;
}

bool TMarkSet::Remove(qint64 id) {
    const auto it = std::lower_bound(Items.begin(), Items.end(), id,
                                     [](const TQXBinHexMark& m, qint64 v) { return m.Id < v; });
    if (it == Items.end() || it->Id != id)
        return false;
    Items.erase(it);
    return true;
}

void TMarkSet::Clear() {
    Items.clear();
}

QList<TQXBinHexMark> TMarkSet::Covering(TOffset start, TOffset length) const {
    QList<TQXBinHexMark> found;
    if (length <= 0)
        return found;
    const TOffset end = start + std::min<TOffset>(length, INT64_MAX - start);
    for (const TQXBinHexMark& m : Items)
        if (m.Start < end && start < m.Start + m.Length)
            found.append(m);
    return found;
}

TQXBinHexMark TMarkSet::At(TOffset pos) const {
    for (auto it = Items.rbegin(); it != Items.rend(); ++it)
        if (it->Start <= pos && pos < it->Start + it->Length)
            return *it;
    return {};
}

} // namespace binhex

qint64 TQXBinHex::AddMark(TOffset start, TOffset length, const QColor& backColor,
                          const QColor& textColor, const QString& hint) {
    const qint64 id = d->Marks.Add(start, length, backColor, textColor, hint);
    if (id != 0) {
        viewport()->update();
        Q_EMIT marksChanged();
    }
    return id;
}

bool TQXBinHex::RemoveMark(qint64 id) {
    if (!d->Marks.Remove(id))
        return false;
    viewport()->update();
    Q_EMIT marksChanged();
    return true;
}

void TQXBinHex::ClearMarks() {
    if (d->Marks.Count() == 0)
        return;
    d->Marks.Clear();
    viewport()->update();
    Q_EMIT marksChanged();
}

int TQXBinHex::MarkCount() const {
    return d->Marks.Count();
}

QList<TQXBinHexMark> TQXBinHex::Marks(TOffset start, TOffset length) const {
    return d->Marks.Covering(start, length);
}

TQXBinHexMark TQXBinHex::MarkAt(TOffset pos) const {
    return d->Marks.At(pos);
}
