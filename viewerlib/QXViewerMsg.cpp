// QXViewerMsg.cpp — message texts and the viewer's message box.
#include "QXViewerMsg.h"

#include "MessageBox.h"

QString CaptionText = QStringLiteral("Viewer");
QString FormatUnknownText = QStringLiteral("Format unknown\rClick here to show binary dump");
QString FileEmptyText = QStringLiteral("File is empty");
QString FileNotFoundText = QStringLiteral("File not found: \"%s\"");
QString FolderNotFoundText = QStringLiteral("Folder not found: \"%s\"");
QString CannotOpenFileText = QStringLiteral("Cannot open file: \"%s\"");
QString CannotLoadFileText = QStringLiteral("Cannot load file: \"%s\"");
QString CannotReadFileText = QStringLiteral("Cannot read file: \"%s\"");
QString CannotReadStreamText = QStringLiteral("Cannot read stream");
QString ReadErrorText = QStringLiteral("Read error at offset %s");
QString FormatNotDetectedText =
    QStringLiteral("Program could not detect file format\rDump is shown");
QString UnknownImageText = QStringLiteral("Unknown image format");
QString UnknownMultimediaText = QStringLiteral("Unknown multimedia format");
QString OfficeUnsupportedText = QStringLiteral("MS Office module doesn't support this file type");
QString CannotInitializeText = QStringLiteral("Cannot initialize %s");
QString CannotInitOfficeText = QStringLiteral("Cannot initialize MS Office control");
QString ClipboardErrorText = QStringLiteral("Cannot copy data to Clipboard");
QString PluginExceptionText = QStringLiteral("Exception in plugin \"%s\" in function \"%s\"");
QString PluginsParentText = QStringLiteral("Cannot load plugins: parent form not specified");
QString TitleLabelText = QStringLiteral("Title: ");
QString CreatorLabelText = QStringLiteral("Creator: ");
QString PageNavigationText = QStringLiteral("Previous/Next page\rCurrent page: %d of %d");

bool ViewerMessagesEnabled = true;

int ViewerMsgBox(const QString& text, const QString& caption, uint32_t flags, void* /*owner*/) {
    if (!ViewerMessagesEnabled)
        return platform::IDCANCEL;
    return platform::MessageBoxW(text, caption,
                                 flags | platform::MB_TASKMODAL | platform::MB_SETFOREGROUND);
}

int ViewerMsgError(const QString& text, void* owner) {
    return ViewerMsgBox(text, CaptionText, platform::MB_ICONERROR, owner);
}
