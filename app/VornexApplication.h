// VornexApplication.h — the application object: its title, the toolkit's Russian texts and the
// default display of errors that end a command.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <exception>
#include <utility>

// The application title from an executable path: the file name without folder and extension, its
// first letter in upper case and the others in lower case ("/usr/bin/vornex" gives "Vornex").
QString TitleFromExecutable(const QString& path);
// The running program's title.
QString ApplicationTitle();

// The message shown for an error: a period is appended when the last character sorts after ".".
QString ExceptionMessageText(const QString& message);

// Loads the toolkit's own Russian texts (the buttons of message boxes, the open and save dialogs)
// into translator, whatever the system locale: the window speaks Russian. False when the
// translation files are not installed.
bool LoadToolkitTranslation(QTranslator& translator);

// Shows an error that ended a command in a modal box with an error icon, captioned with the title.
void ShowException(const std::exception& e);

// Runs a command; an error that escapes it is shown and the program goes on.
template <class F> void RunCommand(F&& command) {
    try {
        std::forward<F>(command)();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

class TApplication : public QApplication {
public:
    // Sets what building and showing the main window needs: the title and the font substitutes.
    TApplication(int& argc, char** argv);
    // The rest, for once the main window is shown, since its first frame uses neither: the window
    // icon (decoding it scans the image format plugins) and the toolkit's Russian texts (dialogs
    // and message boxes only). Further calls do nothing.
    void FinishStartup();
    // Catches what escapes an event handler and shows it, as the default error display.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    QTranslator ToolkitTranslation;
    bool StartupFinished = false;
};
