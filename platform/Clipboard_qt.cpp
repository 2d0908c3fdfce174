// Clipboard_qt.cpp — the clipboard sequence over QClipboard: the formats are gathered in one
// QMimeData and handed over on close.
#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

namespace platform {

namespace {

struct Session {
    bool open = false;
    QClipboard::Mode mode = QClipboard::Clipboard;
    std::unique_ptr<QMimeData> content;
};

Session& Current() {
    static Session session;
    return session;
}

QClipboard* SystemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

} // namespace

bool HasPrimarySelection() {
    QClipboard* clipboard = SystemClipboard();
    return clipboard && clipboard->supportsSelection();
}

bool OpenClipboard(ClipboardKind kind) {
    Session& session = Current();
    if (session.open || !SystemClipboard())
        return false;
    if (kind == ClipboardKind::PrimarySelection && !HasPrimarySelection())
        return false;
    session.open = true;
    session.mode =
        kind == ClipboardKind::PrimarySelection ? QClipboard::Selection : QClipboard::Clipboard;
    return true;
}

bool EmptyClipboard() {
    Session& session = Current();
    if (!session.open)
        return false;
    SystemClipboard()->clear(session.mode);
    session.content = std::make_unique<QMimeData>();
    return true;
}

void SetClipboardData(const QString& mimeType, const QByteArray& data) {
    Session& session = Current();
    if (session.open && session.content)
        session.content->setData(mimeType, data);
}

void SetClipboardUnicodeText(const QString& text) {
    Session& session = Current();
    if (session.open && session.content)
        session.content->setText(text);
}

void CloseClipboard() {
    Session& session = Current();
    if (!session.open)
        return;
    session.open = false;
    if (session.content && !session.content->formats().isEmpty())
        SystemClipboard()->setMimeData(session.content.release(), session.mode);
    session.content.reset();
}

} // namespace platform
