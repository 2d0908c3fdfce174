// consumer_check.cpp — checks, linked against the installed libQXBinHex, that the control pages a
// file and that the library brought its own cursor resources: consumer_check FILE SIZE.
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QXBinHex.h>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: consumer_check FILE SIZE\n");
        return 2;
    }
    int failures = 0;
    const auto check = [&failures](bool ok, const QString& what) {
        if (!ok) {
            std::fprintf(stderr, "FAILED: %s\n", qPrintable(what));
            ++failures;
        }
    };

    for (const char* name :
         {"QB_MOVE", "QB_MOVE_C", "QB_MOVE_U", "QB_MOVE_D", "QB_MOVE_L", "QB_MOVE_R"}) {
        const QString path = QStringLiteral(":/viewer/%1.png").arg(QLatin1String(name));
        check(QFile::exists(path), path + QStringLiteral(" is in the library's resources"));
        check(!QPixmap(path).isNull(), path + QStringLiteral(" loads as a pixmap"));
    }

    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.resize(600, 300);
    check(viewer.Open(QString::fromLocal8Bit(argv[1]), /*redraw=*/true), QStringLiteral("Open"));
    check(viewer.FileSize() == QByteArray(argv[2]).toLongLong(),
          QStringLiteral("FileSize %1").arg(viewer.FileSize()));
    check(viewer.property("TextWidthHex").toInt() == 16, QStringLiteral("TextWidthHex property"));

    return failures == 0 ? 0 : 1;
}
