// main.cpp — a window with one TQXBinHex showing the file named on the command line as a hex dump,
// its first 16 bytes marked, the offsets counted from a flash base address.
#include <QApplication>
#include <QColor>
#include <QFileInfo>
#include <QXBinHex.h>
#include <cstdio>

namespace {
constexpr TOffset FlashBase = 0x08000000;
constexpr TOffset HeaderSize = 16;
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: hexview FILE\n");
        return 2;
    }

    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.setAddressBase(FlashBase);
    viewer.setWindowTitle(QFileInfo(args[1]).fileName() + QStringLiteral(" — hexview"));
    viewer.resize(760, 480);
    // Open shows its own message box when the file cannot be read.
    if (!viewer.Open(args[1], /*redraw=*/true))
        return 1;
    const QString base = QString::number(FlashBase, 16).toUpper().rightJustified(8, u'0');
    viewer.AddMark(0, HeaderSize, QColor(QStringLiteral("lightsteelblue")), QColor(),
                   QStringLiteral("header, %1 bytes at 0x%2").arg(HeaderSize).arg(base));
    viewer.show();
    return QApplication::exec();
}
