// QXBinHexMarkView.cpp — the marks as the control shows them: its operations on
// them.
#include "QXBinHex_p.h"

// ---- Operations
// ---------------------------------------------------------------------------------

qint64 TQXBinHex::AddMark(TOffset start, TOffset length,
                          const QColor &backColor, const QColor &textColor,
                          const QString &hint) {
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

int TQXBinHex::MarkCount() const { return d->Marks.Count(); }

QList<TQXBinHexMark> TQXBinHex::Marks(TOffset start, TOffset length) const {
  return d->Marks.Covering(start, length);
}

TQXBinHexMark TQXBinHex::MarkAt(TOffset pos) const { return d->Marks.At(pos); }
