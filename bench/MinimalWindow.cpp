// MinimalWindow.cpp — the comparison for the start-up benchmark: an application object and one
// empty top-level widget shown, nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    return app.exec();
}
