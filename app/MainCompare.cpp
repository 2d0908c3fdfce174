// MainCompare.cpp — the main window's comparison of the source file with a second file: the marks,
// the status line's summary, the viewers scrolling together and the steps between differences.
#include "QXBinHex.h"
#include "VornexApplication.h"
#include "main.h"
#include "ui_main.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <algorithm>

namespace {

const QColor ChangedBackColor(0xFF, 0xC0, 0xC0);
const QColor OnlyHereBackColor(0xC0, 0xD8, 0xFF);
// Lines left above a difference gone to, so that what leads up to it stays in sight.
constexpr int DifferenceIndentLines = 3;

} // namespace

void TForm1::Compare1Click() {
    if (!CompareDialog1.Execute())
        return;
    CompareWith(CompareDialog1.FileName);
}

void TForm1::CompareWith(const QString& name) {
    TFileImage second = LoadImageFile(QFile::encodeName(name).toStdString());
    // The comparison is of the two files, as Инвертировать адреса starts from the file again.
    if (!SourceFileName.empty()) {
        ReadImageFile();
        ShowSourceImage();
    }
    EndComparison();

    const TImageComparison comparison =
        CompareImageBytes(ImageBuffer, ImageSize, ImageOrigin, second.Bytes.data(),
                          static_cast<int64_t>(second.Bytes.size()), second.Origin);
    ShowImageBytes(Result, second.Bytes.data(), static_cast<int64_t>(second.Bytes.size()),
                   second.Origin);

    const QString changedHint = QStringLiteral("Байты различаются");
    const QString onlyHereHint = QStringLiteral("Байты есть только в этом файле");
    for (const tool::DifferenceRange& range : comparison.Ranges) {
        const bool changed = range.kind == tool::Difference::Changed;
        const QColor& back = changed ? ChangedBackColor : OnlyHereBackColor;
        const QString& hint = changed ? changedHint : onlyHereHint;
        if (range.kind != tool::Difference::OnlyInB)
            ui->QXBinHex1->AddMark(range.address - ImageOrigin, range.length, back, QColor(), hint);
        if (range.kind != tool::Difference::OnlyInA)
            ui->QXBinHex2->AddMark(range.address - second.Origin, range.length, back, QColor(),
                                   hint);
    }
    StatusPanel0->setText(ComparisonStatusText(comparison.Totals));

    Comparison.Active = true;
    Comparison.Ranges = comparison.Ranges;
    Comparison.Bytes = std::move(second.Bytes);
    Comparison.Origin = second.Origin;
    Comparison.Cursor = std::numeric_limits<int64_t>::min();
    // The result viewer starts at the address the source viewer shows.
    Comparison.SeenTop[0] = -1;
    FollowScroll(ui->QXBinHex1, ui->QXBinHex2);
}

void TForm1::EndComparison() {
    if (!Comparison.Active)
        return;
    ui->QXBinHex1->ClearMarks();
    ui->QXBinHex2->ClearMarks();
    Comparison = TComparisonState();
    if (!SourceFileName.empty())
        ShowCurrentFile();
}

void TForm1::GoToDifference(TSearchDirection direction) {
    const auto address = NeighbourDifference(Comparison.Ranges, Comparison.Cursor, direction);
    if (!address) {
        QApplication::beep();
        return;
    }
    Comparison.Cursor = *address;
    for (TQXBinHex* viewer : {ui->QXBinHex1, ui->QXBinHex2}) {
        const TOffset offset = std::clamp<TOffset>(*address - viewer->AddressBase(), 0,
                                                   std::max<TOffset>(viewer->FileSize() - 1, 0));
        viewer->ScrollToPos(offset, DifferenceIndentLines, 0, /*redrawHorz=*/true);
    }
    NoteViewPositions();
}

void TForm1::FollowScrollOf(QObject* viewport) {
    if (viewport == ui->QXBinHex1->viewport())
        FollowScroll(ui->QXBinHex1, ui->QXBinHex2);
    else if (viewport == ui->QXBinHex2->viewport())
        FollowScroll(ui->QXBinHex2, ui->QXBinHex1);
}

void TForm1::FollowScroll(TQXBinHex* leader, TQXBinHex* follower) {
    const int index = leader == ui->QXBinHex1 ? 0 : 1;
    if (leader->ViewPos() == Comparison.SeenTop[index] &&
        leader->HViewPos() == Comparison.SeenLeft[index])
        return;
    const TOffset top = leader->ViewPos() + leader->AddressBase() - follower->AddressBase();
    follower->SetViewPos(std::max<TOffset>(top, 0), /*redraw=*/true);
    follower->SetHorzPos(leader->HViewPos(), /*redraw=*/true);
    NoteViewPositions();
}

void TForm1::NoteViewPositions() {
    Comparison.SeenTop[0] = ui->QXBinHex1->ViewPos();
    Comparison.SeenTop[1] = ui->QXBinHex2->ViewPos();
    Comparison.SeenLeft[0] = ui->QXBinHex1->HViewPos();
    Comparison.SeenLeft[1] = ui->QXBinHex2->HViewPos();
}
