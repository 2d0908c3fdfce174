// SysColors_qt.cpp — system colours from the application palette.
#include "SysColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

QColor ColorToQColor(TColor color) {
    if ((color & 0xFF000000u) != SystemColorFlag)
        return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    const QPalette palette = QGuiApplication::palette();
    switch (color & 0xFF) {
    case COLOR_WINDOW:
        return palette.color(QPalette::Active, QPalette::Base);
    case COLOR_BTNFACE:
        return palette.color(QPalette::Active, QPalette::Button);
    case COLOR_GRAYTEXT:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case COLOR_WINDOWTEXT:
    default:
        return palette.color(QPalette::Active, QPalette::Text);
    }
}

} // namespace platform
