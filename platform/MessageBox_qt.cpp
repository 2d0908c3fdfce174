// MessageBox_qt.cpp — the system message box over QMessageBox.
#include "MessageBox.h"
#include "MessageBox_p.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
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

// Longest unbroken run (a path, as a rule) and longest line a box shows whole. A box wraps its text
// between words only, so a longer run would widen it past the screen, and a longer line would make
// it too tall.
constexpr int MaxRunChars = 100;
constexpr int MaxLineChars = 300;

// text cut down to limit characters with "…" in its middle, keeping surrogate pairs whole.
QString ElideMiddle(QStringView text, int limit) {
    qsizetype head = (limit - 1) / 2;
    qsizetype tail = limit - 1 - head;
    if (head > 0 && text[head - 1].isHighSurrogate())
        --head;
    if (tail > 0 && text[text.size() - tail].isLowSurrogate())
        --tail;
    QString out;
    out.reserve(head + 1 + tail);
    out.append(text.left(head));
    out.append(QChar(0x2026));
    out.append(text.right(tail));
    return out;
}

// One line of a box's text with its long runs, and then the line itself, elided.
QString ElideLongRuns(QStringView line) {
    QString out;
    qsizetype i = 0;
    while (i < line.size()) {
        qsizetype j = i;
        const bool space = line[i].isSpace();
        while (j < line.size() && line[j].isSpace() == space)
            ++j;
        const QStringView part = line.mid(i, j - i);
        out +=
            !space && part.size() > MaxRunChars ? ElideMiddle(part, MaxRunChars) : part.toString();
        i = j;
    }
    return out.size() > MaxLineChars ? ElideMiddle(out, MaxLineChars) : out;
}

} // namespace

QString BoxText(const QString& text) {
    QString out;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r'))
            ++end;
        out += ElideLongRuns(QStringView(text).mid(start, end - start));
        if (end < text.size())
            out += text[end];
        start = end + 1;
    }
    return out;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

namespace detail {

QString BoxCopyText(const QMessageBox& box) {
    const QString rule = QStringLiteral("---------------------------\n");
    QStringList buttons;
    for (QAbstractButton* button : box.buttons())
        buttons << button->text().remove(QLatin1Char('&'));
    return rule + box.windowTitle() + QLatin1Char('\n') + rule + box.text() + QLatin1Char('\n') +
           rule + buttons.join(QStringLiteral("   ")) + QLatin1Char('\n') + rule;
}

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
    // The toolkit copies a box's text with Ctrl+C on Windows only; a message worth reporting is
    // worth copying everywhere.
    auto* copy = new QAction(box.get());
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(copy, &QAction::triggered, box.get(),
                     [box = box.get()] { QApplication::clipboard()->setText(BoxCopyText(*box)); });
    box->addAction(copy);
    return box;
}

} // namespace detail

int MessageBoxW(const QString& fullText, const QString& caption, uint32_t flags) {
    const QString text = BoxText(fullText);
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
