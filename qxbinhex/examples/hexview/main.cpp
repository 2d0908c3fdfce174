// main.cpp — a window with one TQXBinHex showing the file named on the command line as a hex dump.
#include <QApplication>
#include <QFileInfo>
#include <QXBinHex.h>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: hexview FILE\n");
        return 2;
    }

    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.setWindowTitle(QFileInfo(args[1]).fileName() + QStringLiteral(" — hexview"));
    viewer.resize(760, 480);
    // Open shows its own message box when the file cannot be read.
    if (!viewer.Open(args[1], /*redraw=*/true))
        return 1;
    viewer.show();
    return QApplication::exec();
}
