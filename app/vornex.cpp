// vornex.cpp — the entry point: the application object and the main window.
#include "VornexApplication.h"
#include "main.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TForm1 form;
    Form1 = &form;
    form.show();
    const int rc = app.exec();
    Form1 = nullptr;
    return rc;
}
