// HeldKeysWindow.cpp — a window with one TQXBinHex showing a file as a hex dump, for the held-key
// benchmark (held_keys_bench.sh) to send keys to.
#include "QXBinHex.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: held_keys_window FILE\n");
        return 2;
    }
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.setWindowTitle(QStringLiteral("held keys"));
    viewer.resize(1000, 700);
    if (!viewer.Open(QString::fromLocal8Bit(argv[1]), /*redraw=*/true))
        return 1;
    viewer.show();
    return QApplication::exec();
}
