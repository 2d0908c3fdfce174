// MessageBox_p.h — the box MessageBoxW shows, built without showing it, for the tests of its
// buttons and texts.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QMessageBox;
class QWidget;

namespace platform::detail {

// The box for these arguments as MessageBoxW would show it: icon, caption and text, the buttons of
// the flags' set (their texts from the toolkit, so translated where a translation is installed)
// with the first as default, and application modality for MB_TASKMODAL. Ctrl+C in the box places
// BoxCopyText on the clipboard.
std::unique_ptr<QMessageBox> CreateMessageBox(const QString& text, const QString& caption,
                                              uint32_t flags, QWidget* parent);

// The box as text: caption, message and the buttons' texts between rules of dashes.
QString BoxCopyText(const QMessageBox& box);

} // namespace platform::detail
