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
    // Read while the application object connects to the display; the window's layout needs it
    // right after.
    platform::TFontConfigPreload fontConfig;
    TApplication app(argc, argv);
    fontConfig.Wait();
    TForm1 form;
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
