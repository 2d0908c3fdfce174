// FileDialogs.cpp — the open and save dialogs over QFileDialog.
#include "FileDialogs.h"

#include <QFileDialog>
#include <utility>

namespace {

TFileDialog::THandler& Handler() {
    static TFileDialog::THandler handler;
    return handler;
}

} // namespace

void TFileDialog::SetHandler(THandler handler) {
    Handler() = std::move(handler);
}

bool TFileDialog::Execute() {
    std::optional<QString> chosen;
    if (Handler()) {
        chosen = Handler()(Kind);
    } else {
        QFileDialog dialog(Owner);
        if (!Filters.isEmpty())
            dialog.setNameFilters(Filters);
        if (Kind == OpenKind) {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::AnyFile);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().front();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    FileName = *chosen;
    return true;
}
