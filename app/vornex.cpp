// vornex.cpp — the entry point: the application object and the main window.
#include "Fonts.h"
#include "VornexApplication.h"
#include "main.h"

#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before the application object, so that it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vornex %s\n", VORNEX_VERSION);
        return 0;
    }
    // Read while the application object connects to the display and the window is mapped; the
    // window's contents need it once the window is on the screen.
    platform::TFontConfigPreload fontConfig;
    TApplication app(argc, argv);
    TForm1 form(TForm1::ContentsOnFirstExpose, [&fontConfig] { fontConfig.Wait(); });
    Form1 = &form;
    form.show();
    // From the event loop, once the window is on the screen; a file named on the command line
    // opens after that, so that a message about it speaks Russian.
    QTimer::singleShot(0, &app, [&app, &form] {
        app.FinishStartup();
        OpenCommandLineFile(form, QCoreApplication::arguments());
    });
    const int rc = app.exec();
    Form1 = nullptr;
    return rc;
}
