// GroupBoxStyle.h — the group box look that the main window's stored layout was made for: the
// frame's top line through the middle of the title, the title interrupting it.
#pragma once

#include <QProxyStyle>

// A proxy of the application style that changes only titled group boxes without a check box. The
// stored layout places a box's children (and the controls lying over it) from the top line of that
// frame, half a title line below the box's top; a style that sets the frame below the whole title
// lets them cover its top line.
class TGroupBoxStyle : public QProxyStyle {
public:
    // In the box's coordinates, with h the height of a line of the box's font:
    // SC_GroupBoxLabel: the title's text, TitleIndent pixels from the left edge, from the top edge
    // down h pixels. SC_GroupBoxFrame: the box's rectangle from h / 2 down, so that the frame's top
    // line runs through the middle of the title. SC_GroupBoxContents: inside the frame's lines and
    // below the title.
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget) const override;

    // Draws the frame as an etched line pair along SC_GroupBoxFrame, left open where the title is,
    // and the title in the window text colour.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;

    static constexpr int TitleIndent = 8;
};
