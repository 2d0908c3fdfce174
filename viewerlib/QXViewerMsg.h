// QXViewerMsg.h — the viewer's fixed message texts, the switch that silences them, and its message
// box.
#pragma once

#include <QString>
#include <cstdint>

extern QString CaptionText;
extern QString FormatUnknownText;
extern QString FileEmptyText;
extern QString FileNotFoundText;
extern QString FolderNotFoundText;
extern QString CannotOpenFileText;
extern QString CannotLoadFileText;
extern QString CannotReadFileText;
extern QString CannotReadStreamText;
extern QString ReadErrorText;
extern QString FormatNotDetectedText;
extern QString UnknownImageText;
extern QString UnknownMultimediaText;
extern QString OfficeUnsupportedText;
extern QString CannotInitializeText;
extern QString CannotInitOfficeText;
extern QString ClipboardErrorText;
extern QString PluginExceptionText;
extern QString PluginsParentText;
extern QString TitleLabelText;
extern QString CreatorLabelText;
extern QString PageNavigationText;

// False silences every viewer message box: ViewerMsgBox then answers IDCANCEL (2).
extern bool ViewerMessagesEnabled;

// Shows text in a task-modal box brought to the foreground (flags | MB_TASKMODAL |
// MB_SETFOREGROUND) and returns the answer; returns IDCANCEL without showing anything while
// messages are off. The owner is accepted for the interface's sake; boxes are application-modal.
int ViewerMsgBox(const QString& text, const QString& caption, uint32_t flags,
                 void* owner = nullptr);

// ViewerMsgBox(text, CaptionText, MB_ICONERROR, owner).
int ViewerMsgError(const QString& text, void* owner = nullptr);
