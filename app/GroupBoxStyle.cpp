// GroupBoxStyle.cpp — group boxes with the title set into the frame's top line.
#include "GroupBoxStyle.h"

#include <QPainter>
#include <QStyleOptionGroupBox>
#include <qdrawutil.h>

namespace {

// Boxes with a check box, or without a title, keep the application style's look.
const QStyleOptionGroupBox* TitledBox(QStyle::ComplexControl control,
                                      const QStyleOptionComplex* option) {
    if (control != QStyle::CC_GroupBox)
        return nullptr;
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (!box || box->text.isEmpty() || (box->subControls & QStyle::SC_GroupBoxCheckBox))
        return nullptr;
    return box;
}

// The etched frame is two lines wide on each side.
constexpr int FrameLineWidth = 2;

} // namespace

QRect TGroupBoxStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                     SubControl subControl, const QWidget* widget) const {
    const auto* box = TitledBox(control, option);
    if (!box)
        return QProxyStyle::subControlRect(control, option, subControl, widget);

    const int titleHeight = box->fontMetrics.height();
    const QRect frame = box->rect.adjusted(0, titleHeight / 2, 0, 0);
    switch (subControl) {
    case SC_GroupBoxLabel:
        return QRect(box->rect.left() + TitleIndent, box->rect.top(),
                     box->fontMetrics.horizontalAdvance(box->text), titleHeight);
    case SC_GroupBoxFrame:
        return frame;
    case SC_GroupBoxContents:
        return QRect(QPoint(frame.left() + FrameLineWidth, box->rect.top() + titleHeight),
                     QPoint(frame.right() - FrameLineWidth, frame.bottom() - FrameLineWidth));
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}

void TGroupBoxStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    const auto* box = TitledBox(control, option);
    if (!box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect label = subControlRect(control, option, SC_GroupBoxLabel, widget);
    if (box->subControls & SC_GroupBoxFrame) {
        painter->save();
        painter->setClipRegion(QRegion(box->rect) - label);
        qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget),
                       box->palette, /*sunken=*/true, /*lineWidth=*/1, /*midLineWidth=*/0);
        painter->restore();
    }
    if (box->subControls & SC_GroupBoxLabel) {
        drawItemText(painter, label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                     box->palette, box->state & State_Enabled, box->text, QPalette::WindowText);
    }
}
