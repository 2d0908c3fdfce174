// Clipboard.h — the system clipboard as a sequence: open, empty, place formats, close.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Opens the clipboard for this program; false when there is no clipboard (no GUI application) or it
// is open already.
bool OpenClipboard();

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
