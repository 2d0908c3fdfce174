// QXxClipboard.cpp — placing text on the clipboard as 8-bit text in its code page and as UTF-16.
#include "QXxClipboard.h"

#include "Clipboard.h"
#include "Codepage.h"

namespace {

enum class Forms { EightBitOnly, EightBitAndUnicode };

QString TextMimeType(int codepage) {
    return QStringLiteral("text/plain;charset=") +
           QString::fromLatin1(platform::CodepageCharsetName(codepage));
}

bool PlaceInEncoding(const QByteArray& bytes, TQXEncoding encoding, Forms forms,
                     TQXClipboardKind kind) {
    if (bytes.isEmpty())
        return true;
    // Converted before the clipboard is opened, so that a contract failure leaves it closed.
    const QString unicode = CodepageToUnicode(bytes, encoding);
    if (!OpenAndEmptyClipboard(kind))
        return false;
    int codepage = platform::CP_ACP;
    QByteArray data = bytes;
    if (encoding == EncodingOEM)
        codepage = platform::CP_OEMCP;
    else if (encoding != EncodingANSI)
        data = platform::EncodeCodepage(platform::CP_ACP, unicode);
    if (!data.isEmpty()) {
        platform::SetClipboardData(TextMimeType(codepage), data);
        if (forms == Forms::EightBitAndUnicode)
            PutClipboardTextW(unicode, /*openIt=*/false);
    }
    CloseClipboard();
    return true;
}

} // namespace

bool HasPrimarySelection() {
    return platform::HasPrimarySelection();
}

bool OpenAndEmptyClipboard(TQXClipboardKind kind) {
    if (!platform::OpenClipboard(kind))
        return false;
    platform::EmptyClipboard();
    return true;
}

void CloseClipboard() {
    platform::CloseClipboard();
}

bool PutClipboardTextW(const QString& text, bool openIt, TQXClipboardKind kind) {
    if (text.isEmpty())
        return true;
    if (openIt && !OpenAndEmptyClipboard(kind))
        return false;
    platform::SetClipboardUnicodeText(text);
    if (openIt)
        CloseClipboard();
    return true;
}

bool PutClipboardTextInEncoding(const QByteArray& bytes, TQXEncoding encoding,
                                TQXClipboardKind kind) {
    return PlaceInEncoding(bytes, encoding,
                           platform::IsNTFamily ? Forms::EightBitAndUnicode : Forms::EightBitOnly,
                           kind);
}

bool PutClipboardText(const QString& text, TQXClipboardKind kind) {
    if (platform::IsNTFamily)
        return PutClipboardTextW(text, /*openIt=*/true, kind);
    return PutClipboardTextThroughAnsi(text, kind);
}

bool PutClipboardTextThroughAnsi(const QString& text, TQXClipboardKind kind) {
    return PlaceInEncoding(platform::EncodeCodepage(platform::CP_ACP, text), EncodingANSI,
                           Forms::EightBitOnly, kind);
}
