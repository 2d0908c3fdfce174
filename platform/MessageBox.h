// MessageBox.h — the system message box: flags, answer codes, and a seam for tests.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace platform {

// Button sets (low four bits of the flags).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
// Icons.
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
// Modality and activation.
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a modal box with the icon and buttons the flags name and returns the button pressed (the
// Escape key and closing the box answer IDCANCEL where the set has Cancel, else the only/last
// button). MB_TASKMODAL makes the box application-modal, MB_SETFOREGROUND raises and activates it.
// The box shows BoxText(text).
int MessageBoxW(const QString& text, const QString& caption, uint32_t flags);

// text as a box shows it, so that the box stays on the screen: line by line (a line ends at "\n"
// or "\r"), each unbroken run longer than 100 characters, such as a long path, is cut to 100 with
// "…" in its middle, and then a line still longer than 300 characters is cut likewise to 300. The
// start and the end of every run and line, such as a file name, stay in sight.
QString BoxText(const QString& text);

// While a handler is set, MessageBoxW shows nothing and returns the handler's answer (given the
// text as BoxText made it).
using MessageBoxHandler =
    std::function<int(const QString& text, const QString& caption, uint32_t flags)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace platform
