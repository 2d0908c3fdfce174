// QXxClipboard.h — placing text on the clipboard as 8-bit text in its code page and as UTF-16.
#pragma once

#include "Clipboard.h"
#include "QXxCodepages.h"

#include <QByteArray>
#include <QString>

// Every function that opens the clipboard takes its kind: the ordinary clipboard by default, or the
// primary selection, which systems without one cannot open (false).
using TQXClipboardKind = platform::ClipboardKind;

// Whether the system has a primary selection (X11).
bool HasPrimarySelection();

// Opens the clipboard and empties it; false when it cannot be opened.
bool OpenAndEmptyClipboard(TQXClipboardKind kind = TQXClipboardKind::Clipboard);

// Closes the clipboard opened by OpenAndEmptyClipboard, publishing what was placed.
void CloseClipboard();

// Places text as UTF-16. Empty text: true, nothing touched. With openIt the clipboard is opened,
// emptied and closed around it (false when it cannot be opened); without, the text joins the
// clipboard the caller has open.
bool PutClipboardTextW(const QString& text, bool openIt,
                       TQXClipboardKind kind = TQXClipboardKind::Clipboard);

// Replaces the clipboard's content by the bytes as 8-bit text and, on the NT family, the same text
// as UTF-16. Encoding 0 places the bytes as ANSI text, 1 as OEM text; any other encoding places
// them converted to the ANSI page. The 8-bit text's MIME type names its code page
// ("text/plain;charset=windows-1251"). Empty bytes: true, nothing touched. False only when the
// clipboard cannot be opened. Throws EAssertionFailed for a negative encoding.
bool PutClipboardTextInEncoding(const QByteArray& bytes, TQXEncoding encoding,
                                TQXClipboardKind kind = TQXClipboardKind::Clipboard);

// On the NT family PutClipboardTextW(text, true); elsewhere PutClipboardTextThroughAnsi(text).
bool PutClipboardText(const QString& text, TQXClipboardKind kind = TQXClipboardKind::Clipboard);

// How systems outside the NT family place text: converted to the ANSI page, as 8-bit text only.
bool PutClipboardTextThroughAnsi(const QString& text,
                                 TQXClipboardKind kind = TQXClipboardKind::Clipboard);
