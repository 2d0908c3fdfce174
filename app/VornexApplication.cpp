// VornexApplication.cpp — the application object and the default error display.
#include "VornexApplication.h"

#include "Fonts.h"
#include "MessageBox.h"

#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>

QString TitleFromExecutable(const QString& path) {
    const QString base = QFileInfo(path).completeBaseName();
    if (base.isEmpty())
        return base;
    return base.left(1).toUpper() + base.mid(1).toLower();
}

QString ApplicationTitle() {
    return TitleFromExecutable(QCoreApplication::applicationFilePath());
}

QString ExceptionMessageText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

bool LoadToolkitTranslation(QTranslator& translator) {
    return translator.load(QStringLiteral("qtbase_ru"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void ShowException(const std::exception& e) {
    platform::MessageBoxW(ExceptionMessageText(QString::fromUtf8(e.what())), ApplicationTitle(),
                          platform::MB_OK | platform::MB_ICONERROR | platform::MB_TASKMODAL);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    platform::RegisterFontSubstitutes();
    setApplicationName(ApplicationTitle());
    // Desktops tie the window to its menu entry and icon by this name.
    setDesktopFileName(QStringLiteral("org.vornex.vornex"));
}

void TApplication::FinishStartup() {
    if (StartupFinished)
        return;
    StartupFinished = true;
    setWindowIcon(QIcon(QStringLiteral(":/vornex.png")));
    if (LoadToolkitTranslation(ToolkitTranslation))
        installTranslator(&ToolkitTranslation);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return false;
}
