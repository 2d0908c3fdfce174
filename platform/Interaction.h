// Interaction.h — the information beep and pop-up menus, each with a seam for tests beside the
// message box's.
#pragma once

#include <QPoint>
#include <functional>

class QAction;
class QMenu;

namespace platform {

// Sounds the system's information beep.
void Beep();

// While a handler is set, Beep sounds nothing and calls the handler instead.
using BeepHandler = std::function<void()>;
void SetBeepHandler(BeepHandler handler);

// Shows menu at a screen position, waits until the user closes it and returns the action chosen,
// or nullptr.
QAction* ExecMenu(QMenu* menu, QPoint screenPos);

// While a handler is set, ExecMenu shows nothing and returns the handler's choice.
using MenuExecHandler = std::function<QAction*(QMenu* menu, QPoint screenPos)>;
void SetMenuExecHandler(MenuExecHandler handler);

} // namespace platform
