// Clipboard.h — the system clipboard as a sequence: open, empty, place formats, close.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Which clipboard a sequence fills: the ordinary one, or the primary selection of X11, which a
// selection with the mouse fills and a middle click in another program pastes.
enum class ClipboardKind { Clipboard, PrimarySelection };

// Whether the system has a primary selection; false without a GUI application.
bool HasPrimarySelection();

// Opens the clipboard of the kind for this program; false when there is no such clipboard (no GUI
// application, no primary selection) or a clipboard is open already.
bool OpenClipboard(ClipboardKind kind = ClipboardKind::Clipboard);

// Empties the open clipboard; what is placed next becomes its content when it is closed.
bool EmptyClipboard();

// Places data under a MIME type ("text/plain;charset=windows-1251") in the open, emptied clipboard;
// ignored when it is not open.
void SetClipboardData(const QString& mimeType, const QByteArray& data);

// Places UTF-16 text as the ordinary text format; ignored when the clipboard is not open.
void SetClipboardUnicodeText(const QString& text);

// Publishes what was placed since EmptyClipboard and closes the clipboard.
void CloseClipboard();

} // namespace platform
