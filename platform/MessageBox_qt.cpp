// MessageBox_qt.cpp — the system message box over QMessageBox.
#include "MessageBox.h"
#include "MessageBox_p.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

namespace platform {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonAnswer> ButtonsFor(uint32_t flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT},
                {QMessageBox::Retry, IDRETRY},
                {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconFor(uint32_t flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

namespace detail {

std::unique_ptr<QMessageBox> CreateMessageBox(const QString& text, const QString& caption,
                                              uint32_t flags, QWidget* parent) {
    auto box =
        std::make_unique<QMessageBox>(IconFor(flags), caption, text, QMessageBox::NoButton, parent);
    const auto buttons = ButtonsFor(flags);
    for (const auto& b : buttons)
        box->addButton(b.button);
    box->setDefaultButton(buttons.front().button);
    if (flags & MB_TASKMODAL)
        box->setWindowModality(Qt::ApplicationModal);
    return box;
}

} // namespace detail

int MessageBoxW(const QString& text, const QString& caption, uint32_t flags) {
    if (Handler())
        return Handler()(text, caption, flags);

    const auto box = detail::CreateMessageBox(text, caption, flags, QApplication::activeWindow());
    if (flags & MB_SETFOREGROUND) {
        box->show();
        box->raise();
        box->activateWindow();
    }
    const int pressed = box->exec();
    const auto buttons = ButtonsFor(flags);
    for (const auto& b : buttons)
        if (pressed == b.button)
            return b.answer;
    // Closed without a button: Cancel where the set has one, else the set's last button.
    for (const auto& b : buttons)
        if (b.answer == IDCANCEL)
            return IDCANCEL;
    return buttons.back().answer;
}

} // namespace platform
