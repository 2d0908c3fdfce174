// FileDialogs.h — the open and save dialogs, with a seam through which tests answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

class TFileDialog {
public:
    enum TKind { OpenKind, SaveKind };

    TFileDialog(TKind kind, QWidget* owner) : Kind(kind), Owner(owner) {}

    // Shows the dialog; true with FileName set when the user chose a file, false on cancel. The
    // open dialog accepts a name that does not exist; the save dialog asks before replacing a file.
    bool Execute();
    QString FileName;
    // The name filters the dialog offers ("Intel HEX (*.hex *.ihx)"), the first one chosen.
    QStringList Filters;

    // While set, Execute shows nothing and takes the handler's answer (nullopt is a cancel).
    using THandler = std::function<std::optional<QString>(TKind kind)>;
    static void SetHandler(THandler handler);

private:
    TKind Kind;
    QWidget* Owner;
};
