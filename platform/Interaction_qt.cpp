// Interaction_qt.cpp — the beep and pop-up menus over the widget toolkit.
#include "Interaction.h"

#include <QApplication>
#include <QMenu>
#include <utility>

namespace platform {

namespace {

BeepHandler& BeepSeam() {
    static BeepHandler handler;
    return handler;
}

MenuExecHandler& MenuSeam() {
    static MenuExecHandler handler;
    return handler;
}

} // namespace

void Beep() {
    if (BeepSeam())
        BeepSeam()();
    else
        QApplication::beep();
}

void SetBeepHandler(BeepHandler handler) {
    BeepSeam() = std::move(handler);
}

QAction* ExecMenu(QMenu* menu, QPoint screenPos) {
    if (MenuSeam())
        return MenuSeam()(menu, screenPos);
    return menu->exec(screenPos);
}

void SetMenuExecHandler(MenuExecHandler handler) {
    MenuSeam() = std::move(handler);
}

} // namespace platform
